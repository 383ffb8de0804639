# Fails when a source file or header in FOLDER includes a header from one of
# the folders that FORBIDDEN names (a regular expression alternation such as
# "app|history"): FOLDER must not depend on them.
#   cmake -DFOLDER=/path/to/game -DFORBIDDEN=app|history -P check-includes.cmake
file(GLOB files ${FOLDER}/*.h ${FOLDER}/*.cpp)
set(offences "")
foreach(file IN LISTS files)
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](${FORBIDDEN})/")
    foreach(line IN LISTS lines)
        string(APPEND offences "\n  ${file}: ${line}")
    endforeach()
endforeach()
if(offences)
    message(FATAL_ERROR "${FOLDER} must not include headers of ${FORBIDDEN}:${offences}")
endif()
