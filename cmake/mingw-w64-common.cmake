# What both MinGW-w64 toolchain files share; they set ZANQ_MINGW_TRIPLET and
# CMAKE_SYSTEM_PROCESSOR, then include this file.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model, whatever the system's default alternative is: its
# runtime carries the standard library's threads and mutexes, linked in
# statically like the rest of the runtime.
set(CMAKE_C_COMPILER ${ZANQ_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZANQ_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZANQ_MINGW_TRIPLET}-windres)

# Headers and libraries come from the toolchain's sysroot only; build tools
# still come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${ZANQ_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
