# The catalogue files of every language, copied into the home folder of the
# build (${CMAKE_BINARY_DIR}/home) whenever they change.
file(GLOB RECOLYX_CATALOGUES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/messages_*.txt)
set(_copied)
foreach(_file IN LISTS RECOLYX_CATALOGUES)
  get_filename_component(_name ${_file} NAME)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/home/${_name}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/home
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${_file} ${CMAKE_BINARY_DIR}/home/${_name}
    DEPENDS ${_file} VERBATIM)
  list(APPEND _copied ${CMAKE_BINARY_DIR}/home/${_name})
endforeach()
add_custom_target(catalogue_files ALL DEPENDS ${_copied})
