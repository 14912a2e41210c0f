# The example user scripts, copied (executable) into the home folder's
# "scripts" folder of the build whenever they change.
file(GLOB RECOLYX_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.sh)
set(_copied_scripts)
foreach(_file IN LISTS RECOLYX_SCRIPTS)
  get_filename_component(_name ${_file} NAME)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/home/scripts/${_name}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/home/scripts
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${_file} ${CMAKE_BINARY_DIR}/home/scripts/${_name}
    DEPENDS ${_file} VERBATIM)
  list(APPEND _copied_scripts ${CMAKE_BINARY_DIR}/home/scripts/${_name})
endforeach()
add_custom_target(script_files ALL DEPENDS ${_copied_scripts})
