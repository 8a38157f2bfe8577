# The resource script's dialog templates and the images it names, turned by
# tools/rc2cpp.py into a C++ source for the Linux window system. The Windows
# build compiles the same script with the resource compiler.
#
#   zanq_add_resources(<target> <script.rc>)
#
# makes <target> an OBJECT library (its objects register the resources when
# the program starts, so link it directly into each program or test that
# opens the dialogs). zanq_add_dialog_resources is the same function.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

function(zanq_add_resources target rc_file)
  get_filename_component(rc_file ${rc_file} ABSOLUTE)
  get_filename_component(rc_dir ${rc_file} DIRECTORY)
  get_filename_component(rc_name ${rc_file} NAME_WE)
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/${target}_${rc_name}.cpp)
  add_custom_command(
    OUTPUT ${generated}
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/rc2cpp.py ${rc_file} ${generated}
            --include ${rc_dir} --include ${PROJECT_SOURCE_DIR}/platform/include
            --depfile ${generated}.d
    DEPENDS ${PROJECT_SOURCE_DIR}/tools/rc2cpp.py ${rc_file}
    DEPFILE ${generated}.d
    COMMENT "Dialog templates and images of ${rc_name}.rc"
    VERBATIM)
  add_library(${target} OBJECT ${generated})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/platform/linux)
  target_link_libraries(${target} PRIVATE zanq_os zanq_warnings)
endfunction()

function(zanq_add_dialog_resources target rc_file)
  zanq_add_resources(${target} ${rc_file})
endfunction()
