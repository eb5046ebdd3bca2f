# Collects the error numbers of the program's folders (4100-4699, 7000-7299,
# 88888, and 7022 plus a segment height 0..7), the numbers the tests name, and
# the unreachable ones docs/error-numbers.md lists; fails when a number is in
# neither of the last two, or listed as unreachable yet tested.
set(number_regex "(^|[^0-9A-Za-z_.])(4[1-6][0-9][0-9]|7[0-2][0-9][0-9]|88888)([^0-9A-Za-z_.]|$)")

# The numbers of the matching lines of `files`, into `out`.
function(collect out regex)
  set(found "")
  foreach(file ${ARGN})
    file(STRINGS ${file} lines REGEX "${regex}")
    foreach(line IN LISTS lines)
      # Each delimiter doubled, so that neighbouring numbers both match.
      string(REGEX REPLACE "([^0-9A-Za-z_.])" "\\1\\1" line "${line}")
      string(REGEX MATCHALL "${regex}" hits "${line}")
      foreach(hit IN LISTS hits)
        string(REGEX REPLACE "[^0-9]" "" n "${hit}")
        list(APPEND found ${n})
      endforeach()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES found)
  set(${out} ${found} PARENT_SCOPE)
endfunction()

set(program_files "")
foreach(dir app shell display shapes sound game text controls)
  file(GLOB_RECURSE found ${ROOT}/${dir}/*.cpp ${ROOT}/${dir}/*.h)
  list(APPEND program_files ${found})
endforeach()
collect(program "${number_regex}" ${program_files})
list(APPEND program 7023 7024 7025 7026 7027 7028 7029)
list(REMOVE_DUPLICATES program)

file(GLOB_RECURSE test_files ${ROOT}/tests/*.cpp ${ROOT}/tests/*.h)
collect(tested "${number_regex}" ${test_files})

# The list's lines read "- NNNN: why".
file(STRINGS ${ROOT}/docs/error-numbers.md listed REGEX "^- [0-9]+:")
set(unreachable "")
foreach(line IN LISTS listed)
  string(REGEX REPLACE "^- ([0-9]+):.*" "\\1" n "${line}")
  list(APPEND unreachable ${n})
endforeach()

set(untested "")
set(wrongly_listed "")
foreach(n IN LISTS program)
  list(FIND tested ${n} t)
  list(FIND unreachable ${n} u)
  if(t EQUAL -1 AND u EQUAL -1)
    list(APPEND untested ${n})
  elseif(NOT t EQUAL -1 AND NOT u EQUAL -1)
    list(APPEND wrongly_listed ${n})
  endif()
endforeach()
list(LENGTH program total)
list(LENGTH unreachable skipped)
if(untested OR wrongly_listed)
  message(FATAL_ERROR "error numbers no test reaches: ${untested}\n"
                      "listed as unreachable in docs/error-numbers.md, yet tested: ${wrongly_listed}")
endif()
message(STATUS "${total} error numbers: every one tested but ${skipped} unreachable")
