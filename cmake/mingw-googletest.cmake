# GoogleTest for the mingw-w64 cross build: compiled from Debian's sources
# with the cross compiler, under the names that find_package(GTest) gives.
set(TAPQUILL_GOOGLETEST_SOURCE "/usr/src/googletest" CACHE PATH
    "GoogleTest sources compiled for the Windows build")
if(NOT EXISTS "${TAPQUILL_GOOGLETEST_SOURCE}/CMakeLists.txt")
    message(FATAL_ERROR "GoogleTest sources not found in ${TAPQUILL_GOOGLETEST_SOURCE} "
                        "(Debian package googletest)")
endif()

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# GoogleTest uses Win32 threads on Windows; it needs no pthreads library.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory("${TAPQUILL_GOOGLETEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)

# Newer GoogleTest sources name their targets this way themselves.
if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
endif()
if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest_main ALIAS gtest_main)
endif()
