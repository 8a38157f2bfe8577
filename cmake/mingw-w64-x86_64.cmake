# Cross build for x86_64 Windows with Debian's MinGW-w64 toolchain
# (g++-mingw-w64-x86-64):
#   cmake -S . -B build/windows-x86_64 -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(ZANQ_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
