# Makes TARGET a home folder of its own for scenarios that write into it (the
# settings file): links to every file of the build's home folder SOURCE,
# without the settings file, so that the shared home is never changed.
# WITHOUT (optional) names further entries left out, e.g. scripts.
file(REMOVE_RECURSE ${TARGET})
file(MAKE_DIRECTORY ${TARGET})
file(GLOB entries RELATIVE ${SOURCE} ${SOURCE}/*)
foreach(entry IN LISTS entries)
  list(FIND WITHOUT "${entry}" left_out)
  if(NOT entry STREQUAL "recolyx.cfg" AND NOT entry STREQUAL "recolyx.tmp" AND left_out EQUAL -1)
    file(CREATE_LINK ${SOURCE}/${entry} ${TARGET}/${entry} SYMBOLIC)
  endif()
endforeach()
