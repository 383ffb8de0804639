# Cross build for 64-bit Windows with Debian's mingw-w64 compilers.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The programs are linked statically against the compiler's runtime, so they
# need only the system DLLs of Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAPQUILL_MINGW_TRIPLET x86_64-w64-mingw32)
# The posix thread model gives GoogleTest the standard threading library; the
# programs link its runtime statically like the rest.
set(CMAKE_C_COMPILER ${TAPQUILL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAPQUILL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TAPQUILL_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TAPQUILL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
