# The sources and libraries of each fuzz harness, shared by the libFuzzer
# executables (fuzz/CMakeLists.txt) and the corpus replay tests
# (fuzz/replay/CMakeLists.txt).
set(TAPQUILL_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})
set(TAPQUILL_FUZZ_READERS tga bmp pnm words history text)

# Adds the harness for `reader` (tga, bmp, pnm, words, history or text) to `target`.
function(tapquill_add_fuzz_harness target reader)
    target_sources(${target} PRIVATE
        ${TAPQUILL_FUZZ_DIR}/harness_support.cpp
        ${TAPQUILL_FUZZ_DIR}/fuzz_${reader}.cpp)
    if(reader STREQUAL "words" OR reader STREQUAL "text")
        target_link_libraries(${target} PRIVATE tapquill_root tq_game)
    elseif(reader STREQUAL "history")
        target_link_libraries(${target} PRIVATE tapquill_root tq_history)
    else()
        target_sources(${target} PRIVATE ${TAPQUILL_FUZZ_DIR}/image_harness.cpp)
        target_link_libraries(${target} PRIVATE tapquill_root tq_image_formats)
    endif()
endfunction()
