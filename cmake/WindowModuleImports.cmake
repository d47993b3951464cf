# Writes OUTPUT, the program's dynamic list: the symbols that the window module MODULE leaves
# undefined and that the core library CORE defines. The program exports these and no others, so
# the module binds to the program's copy of the core, and nothing else of the program is visible
# to the libraries it loads. The file is rewritten only when the list changes, so that a module
# rebuilt with the same imports does not relink the program.
#
#   cmake -DNM=nm -DMODULE=tervosetup-gui.so -DCORE=libtervo_core.a -DOUTPUT=imports.list -P ...

function(symbols result)
  execute_process(COMMAND ${NM} ${ARGN} --format=posix
                  OUTPUT_VARIABLE text ERROR_VARIABLE error RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} ${ARGN} failed: ${error}")
  endif()
  # One symbol a line, "name type [value size]"; an archive adds "member.o:" lines.
  string(REGEX MATCHALL "(^|\n)[^ \n:]+ [A-Za-z]" entries "${text}")
  list(TRANSFORM entries REPLACE "^\n?([^ ]+) .*$" "\\1")
  set(${result} ${entries} PARENT_SCOPE)
endfunction()

symbols(defined --defined-only --extern-only ${CORE})
symbols(wanted --dynamic --undefined-only ${MODULE})
# A variable per core symbol: a lookup that stays fast with thousands of them.
foreach(name IN LISTS defined)
  set("core:${name}" TRUE)
endforeach()
set(list "{\n")
set(count 0)
foreach(name IN LISTS wanted)
  string(REGEX REPLACE "@.*$" "" name "${name}")
  # The core's copies of the standard library's templates stay its own: the module takes those
  # from libstdc++, as every other library does.
  if(DEFINED "core:${name}" AND NOT name MATCHES "^_Z(N[KVR]*)?S[tabsiod]")
    string(APPEND list "  ${name};\n")
    math(EXPR count "${count} + 1")
  endif()
endforeach()
string(APPEND list "};\n")
if(count EQUAL 0)
  message(FATAL_ERROR "${MODULE} uses no symbol of ${CORE}: is it linked with the core itself?")
endif()
file(WRITE "${OUTPUT}.new" "${list}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
