# Puts the Windows programs into one folder and zips it:
# OUT/starquell-<version>-windows-x64.zip holding starquell.exe with its three
# sound files, starquell-controls.exe, starquell-replay.exe (from the build on
# the project's own platform layer), a plain-text README, the licence and the
# changelog, text files with Windows line ends.
#   cmake -DBUILD=build/windows -DREPLAY_BUILD=build/windows-tests -DOUT=build/package -P cmake/windows_zip.cmake
cmake_minimum_required(VERSION 3.25)
get_filename_component(root ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
foreach(var BUILD REPLAY_BUILD OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "windows_zip.cmake needs -D${var}=...")
  endif()
  get_filename_component(${var} ${${var}} ABSOLUTE BASE_DIR ${root})
endforeach()
file(STRINGS ${BUILD}/CMakeCache.txt version_line REGEX "^CMAKE_PROJECT_VERSION:STATIC=")
string(REPLACE "CMAKE_PROJECT_VERSION:STATIC=" "" VERSION "${version_line}")
if(VERSION STREQUAL "")
  message(FATAL_ERROR "no project version in ${BUILD}/CMakeCache.txt")
endif()

set(name starquell-${VERSION}-windows-x64)
set(stage ${OUT}/windows-zip)
set(folder ${stage}/${name})
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${folder})
foreach(file app/starquell.exe app/hit.wav app/fire.wav app/sound21.wav
             tools/controls_demo/starquell-controls.exe)
  if(NOT EXISTS ${BUILD}/${file})
    message(FATAL_ERROR "${BUILD}/${file} is not built")
  endif()
  file(COPY ${BUILD}/${file} DESTINATION ${folder})
endforeach()
if(NOT EXISTS ${REPLAY_BUILD}/tools/replay/starquell-replay.exe)
  message(FATAL_ERROR "${REPLAY_BUILD}/tools/replay/starquell-replay.exe is not built")
endif()
file(COPY ${REPLAY_BUILD}/tools/replay/starquell-replay.exe DESTINATION ${folder})

# Text with Windows line ends.
function(windows_text from to)
  file(READ ${from} text)
  string(CONFIGURE "${text}" text @ONLY)
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${folder}/${to} "${text}")
endfunction()
windows_text(${root}/packaging/README-windows.txt README.txt)
windows_text(${root}/LICENSE LICENSE.txt)
windows_text(${root}/CHANGELOG CHANGELOG.txt)

file(REMOVE ${OUT}/${name}.zip)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${OUT}/${name}.zip --format=zip ${name}
                WORKING_DIRECTORY ${stage} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "could not write ${OUT}/${name}.zip")
endif()
file(REMOVE_RECURSE ${stage})
message(STATUS "${OUT}/${name}.zip")
