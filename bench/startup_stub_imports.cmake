# Writes OUTPUT, a C++ source that makes the library it is linked into import
# every symbol LIBRARY imports: each undefined dynamic symbol of LIBRARY (nm
# -D --undefined-only) is referenced by its exact name and, where LIBRARY's
# reference carries one, its version, and all their addresses are kept in
# one exported array. The dynamic linker then binds the same symbols for the
# stub as for the plug-in. Weak references (__gmon_start__, _ITM_*,
# __cxa_finalize) are left out: every C++ library has them already.
#
#   cmake -DNM=nm -DLIBRARY=recolyx.so -DOUTPUT=imports.cpp -P startup_stub_imports.cmake
#
# OUTPUT is rewritten only when its text changes, so that the stub is not
# rebuilt for a plug-in whose imports stayed the same.
foreach(variable NM LIBRARY OUTPUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "startup_stub_imports: ${variable} is not set")
  endif()
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/dynamic_symbols.cmake)
dynamic_symbol_lines(lines ${NM} --undefined-only ${LIBRARY})

set(declarations "")
set(addresses "")
set(count 0)
foreach(line IN LISTS lines)
  # "                 U name" or "U name@VERSION"; weak ones are "w" or "v".
  if(NOT line MATCHES "^ *U ([^ @]+)(@+([^ ]+))?$")
    continue()
  endif()
  set(name "${CMAKE_MATCH_1}")
  set(version "${CMAKE_MATCH_3}")
  set(local "recolyx_import_${count}")
  if(version STREQUAL "")
    string(APPEND declarations "extern char ${local}[] __asm__(\"${name}\");\n")
  else()
    # The reference bound to that version, as the plug-in's is.
    string(APPEND declarations
           "extern char ${local}[] __asm__(\"${local}\");\n"
           "__asm__(\".symver ${local}, ${name}@${version}\");\n")
  endif()
  string(APPEND addresses "    ${local},\n")
  math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "${LIBRARY} imports nothing: not the plug-in?")
endif()

get_filename_component(library_name ${LIBRARY} NAME)
set(text "// Generated at build time by bench/startup_stub_imports.cmake from the
// undefined dynamic symbols of ${library_name}: the ${count} symbols it imports,
// each referenced by its exact name and version, so that loading the stub
// binds them as loading the plug-in does. Do not edit.
extern \"C\" {
${declarations}
__attribute__((visibility(\"default\"), used)) void* stub_imports[] = {
${addresses}};
}
")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
  if(old STREQUAL text)
    return()
  endif()
endif()
file(WRITE ${OUTPUT} "${text}")
