# SDL 1.2, SDL_image 1.2 and SDL_ttf 2.0 as imported targets.
# Natively they come from the installed Debian packages; for the set from the
# armel packages unpacked into RECOLYX_SYSROOT by tools/arm-sysroot.sh.
set(RECOLYX_SYSROOT "" CACHE PATH "Folder holding the set's SDL headers and libraries")

if(RECOLYX_SYSROOT)
  set(_sdl_inc "${RECOLYX_SYSROOT}/usr/include")
  set(_sdl_lib "${RECOLYX_SYSROOT}/usr/lib/arm-linux-gnueabi")
  # libpng and zlib for the simulator built for the set, from the same place.
  set(PNG_LIBRARY "${_sdl_lib}/libpng.so" CACHE FILEPATH "")
  set(PNG_PNG_INCLUDE_DIR "${_sdl_inc}" CACHE PATH "")
  set(ZLIB_LIBRARY "${_sdl_lib}/libz.so" CACHE FILEPATH "")
  set(ZLIB_INCLUDE_DIR "${_sdl_inc}" CACHE PATH "")
else()
  set(_sdl_inc "/usr/include")
  execute_process(COMMAND ${CMAKE_C_COMPILER} -print-multiarch
                  OUTPUT_VARIABLE _multiarch OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(_sdl_lib "/usr/lib/${_multiarch}")
endif()

foreach(_lib IN ITEMS SDL SDL_image SDL_ttf)
  string(REPLACE "SDL_" "" _short "${_lib}")
  set(_target "sdl::${_short}")
  if(_lib STREQUAL "SDL")
    set(_target "sdl::sdl")
  endif()
  if(NOT EXISTS "${_sdl_lib}/lib${_lib}.so")
    message(FATAL_ERROR "lib${_lib}.so not found in ${_sdl_lib}: run tools/setup.sh")
  endif()
  add_library(${_target} SHARED IMPORTED GLOBAL)
  set_target_properties(${_target} PROPERTIES
    IMPORTED_LOCATION "${_sdl_lib}/lib${_lib}.so"
    INTERFACE_INCLUDE_DIRECTORIES "${_sdl_inc}/SDL")
endforeach()
