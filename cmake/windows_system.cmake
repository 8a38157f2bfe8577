# On Windows the system itself serves the Win32 subset the program uses: the
# real headers and import libraries of the toolchain, nothing of platform/.
# Every target of the program links zanq_os, as in the Linux build.
add_library(zanq_os INTERFACE)
target_compile_definitions(zanq_os INTERFACE UNICODE _UNICODE)
target_link_libraries(zanq_os INTERFACE
  kernel32 user32 gdi32 comctl32 urlmon shell32 ole32 oleaut32 uuid)

# The process entry lives in the program's own WinMain; the C runtime's
# start-up calls it. Kept as an empty target so that the same target lists
# work in both builds.
add_library(zanq_os_main INTERFACE)

# The program must run on a plain Windows installation: the C and C++
# runtimes (and the thread library of the posix thread model) are linked in
# statically, so the executable needs nothing but the system's DLLs.
if(MINGW)
  target_link_options(zanq_os INTERFACE -static -static-libgcc -static-libstdc++)
  # Smaller code: unused functions and data are left out, symbols stripped.
  target_compile_options(zanq_os INTERFACE
    $<$<NOT:$<CONFIG:Debug>>:-ffunction-sections -fdata-sections>)
  target_link_options(zanq_os INTERFACE
    $<$<NOT:$<CONFIG:Debug>>:-Wl,--gc-sections -s>)
  # The same warnings as errors as on Linux (zanq_warnings); MinGW's headers
  # are system headers, so they do not trip them.
endif()
