# For the scripts that read a library's dynamic symbol table (cmake -P):
# sets `out` to the lines `nm -D <option> <library>` prints, one list item
# each; stops the script when nm fails.
function(dynamic_symbol_lines out nm option library)
  execute_process(COMMAND ${nm} -D ${option} ${library}
                  OUTPUT_VARIABLE listing RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${nm} failed on ${library}")
  endif()
  string(REPLACE "\n" ";" lines "${listing}")
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()
