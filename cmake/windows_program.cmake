# The Windows program, ZanqDownloader.exe: a GUI executable made of the entry
# point, the app library and the resources compiled by windres. Included by
# app/CMakeLists.txt in the Windows build, so paths are relative to app/.
enable_language(RC)

add_executable(ZanqDownloader WIN32
  ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp
  # IDI_APPICON is the first icon group, so it is the program file's icon.
  ${CMAKE_CURRENT_SOURCE_DIR}/downloader.rc
  ${CMAKE_CURRENT_SOURCE_DIR}/version.rc)
target_link_libraries(ZanqDownloader PRIVATE zanq_app zanq_os zanq_warnings)

# windres finds res/... through app/ on the include path (zanq_app's).
# Under RC_INVOKED <windows.h> leaves out the GDI header, so the dialog
# font's character set needs its number.
target_compile_definitions(ZanqDownloader PRIVATE
  $<$<COMPILE_LANGUAGE:RC>:DEFAULT_CHARSET=1>
  $<$<COMPILE_LANGUAGE:RC>:ZANQ_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}>
  $<$<COMPILE_LANGUAGE:RC>:ZANQ_VERSION_MINOR=${PROJECT_VERSION_MINOR}>
  $<$<COMPILE_LANGUAGE:RC>:ZANQ_VERSION_PATCH=${PROJECT_VERSION_PATCH}>)
