# Cross build for i686 Windows with Debian's MinGW-w64 toolchain
# (g++-mingw-w64-i686):
#   cmake -S . -B build/windows-i686 -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel
set(CMAKE_SYSTEM_PROCESSOR x86)
set(ZANQ_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
