# Holds the platform layer's own declarations of the Windows subset
# (platform/win32.h) against the system's headers, in the Windows build: a
# generated source that includes <windows.h> and asserts that every constant
# has the system's value, every plain typedef the system's size and
# signedness, every record the system's size and member offsets, and every
# function the system's type. A name Windows does not have, or gives another
# meaning, stops the build.
#   starquell_win32_check(HEADER OUT): writes OUT from HEADER.
function(starquell_win32_check header out)
  file(READ ${header} text)
  # The parts of the subset in headers of their own, which it includes.
  get_filename_component(folder ${header} DIRECTORY)
  set(parts ${header})
  string(REGEX MATCHALL "#include \"platform/win32_[a-z0-9_]+\\.h\"" includes "${text}")
  foreach(include IN LISTS includes)
    string(REGEX REPLACE "^#include \"platform/(.+)\"$" "\\1" name "${include}")
    file(READ ${folder}/${name} part)
    string(APPEND text "\n${part}")
    list(APPEND parts ${folder}/${name})
  endforeach()
  # One logical line per list element: continued lines joined, semicolons kept
  # apart from CMake's list separator (and brackets, within which CMake would
  # not split a list), declarations spread over lines joined.
  string(REPLACE "\\\n" " " text "${text}")
  string(REPLACE ";" "<semicolon>" text "${text}")
  string(REPLACE "[" "<open>" text "${text}")
  string(REPLACE "]" "<close>" text "${text}")
  string(REGEX REPLACE ",\n +" ", " text "${text}")
  string(REPLACE "\n" ";" lines "${text}")

  set(body "")
  set(record "")
  set(in_record OFF)
  set(in_member_union OFF)
  set(skip_union OFF)
  foreach(line IN LISTS lines)
    string(REPLACE "<semicolon>" ";" line "${line}")
    string(REPLACE "<open>" "[" line "${line}")
    string(REPLACE "<close>" "]" line "${line}")
    if(skip_union)
      if(line MATCHES "^} ")
        set(skip_union OFF)
      endif()
    elseif(line MATCHES "^typedef union ")
      set(skip_union ON)
    elseif(line MATCHES "^typedef struct [A-Za-z0-9_]+ {$")
      set(record "")
      set(members "")
      set(in_record ON)
    elseif(in_record AND line MATCHES "^  union {$")
      # A union member: copied whole, its place checked by its name.
      set(in_member_union ON)
      string(APPEND record "  ${line}\n")
    elseif(in_member_union)
      string(APPEND record "  ${line}\n")
      if(line MATCHES "^  } ([A-Za-z_][A-Za-z0-9_]*);$")
        set(in_member_union OFF)
        list(APPEND members ${CMAKE_MATCH_1})
      endif()
    elseif(in_record AND line MATCHES "^  ([A-Za-z_][A-Za-z0-9_ ]*[ *]+)([A-Za-z_][A-Za-z0-9_]*)(\\[[0-9]+\\])?;$")
      string(APPEND record "  ${line}\n")
      list(APPEND members ${CMAKE_MATCH_2})
    elseif(in_record AND line MATCHES "^} ([A-Za-z_][A-Za-z0-9_]*)")
      set(in_record OFF)
      set(name ${CMAKE_MATCH_1})
      # A copy of the record apart from the functions' namespace, whose
      # parameters name the system's records.
      string(APPEND body "namespace shim_record {\nstruct ${name} {\n${record}};\n}\n"
             "static_assert(sizeof(shim_record::${name}) == sizeof(::${name}), \"${name}\");\n")
      foreach(member IN LISTS members)
        string(APPEND body "static_assert(offsetof(shim_record::${name}, ${member}) == "
               "offsetof(::${name}, ${member}), \"${name}::${member}\");\n")
      endforeach()
    elseif(line MATCHES "^#define ([A-Za-z_][A-Za-z0-9_]*) (.+)$")
      set(name ${CMAKE_MATCH_1})
      # A comment after the value is no part of it.
      string(REGEX REPLACE " +//.*$" "" value "${CMAKE_MATCH_2}")
      # Pointer-valued names and sizes of records are no constant expressions
      # in the system's headers: a record's size up to a member is held as the
      # end of that member in the system's record.
      if(value MATCHES "^CDSIZEOF_STRUCT\\(([A-Za-z_0-9]+), ([A-Za-z_0-9]+)\\)$")
        string(APPEND body "static_assert(offsetof(shim_record::${CMAKE_MATCH_1}, ${CMAKE_MATCH_2}) + "
               "sizeof(shim_record::${CMAKE_MATCH_1}::${CMAKE_MATCH_2}) == "
               "offsetof(::${CMAKE_MATCH_1}, ${CMAKE_MATCH_2}) + "
               "sizeof(::${CMAKE_MATCH_1}::${CMAKE_MATCH_2}), \"${name}\");\n")
      elseif(NOT value MATCHES "MAKEINTRESOURCE|CDSIZEOF|OPENFILENAME_SIZE")
        string(APPEND body "static_assert((${name}) == (${value}), \"${name}\");\n")
      endif()
    elseif(line MATCHES "^typedef ([A-Za-z_][A-Za-z0-9_: ]*[ *])([A-Za-z_][A-Za-z0-9_]*);$")
      set(type ${CMAKE_MATCH_1})
      set(name ${CMAKE_MATCH_2})
      string(APPEND body "static_assert(sizeof(${name}) == sizeof(${type}) && "
             "std::is_signed_v<${name}> == std::is_signed_v<${type}>, \"${name}\");\n")
    elseif(line MATCHES "^typedef ")
      # Function pointer types: their functions' checks cover them.
    elseif(line MATCHES "^(\\[\\[noreturn\\]\\] )?([A-Za-z_][A-Za-z0-9_ *]*[ *])([A-Za-z_][A-Za-z0-9_]*)\\((.*)\\);$")
      set(name ${CMAKE_MATCH_3})
      string(APPEND body "namespace shim {\n${CMAKE_MATCH_2}${name}(${CMAKE_MATCH_4});\n}\n"
             "static_assert(std::is_same_v<decltype(shim::${name}), decltype(::${name})>, "
             "\"${name}\");\n")
    endif()
  endforeach()
  file(WRITE ${out}.new "// Generated from ${header} by cmake/win32_check.cmake.\n"
       "#include <winsock2.h>\n#include <ws2tcpip.h>\n\n#include <windows.h>\n\n#include <bcrypt.h>\n#include <commdlg.h>\n#include <mmsystem.h>\n\n"
       "#include <cstddef>\n#include <cstdint>\n#include <type_traits>\n\n${body}")
  file(COPY_FILE ${out}.new ${out} ONLY_IF_DIFFERENT)
  file(REMOVE ${out}.new)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${parts})
endfunction()
