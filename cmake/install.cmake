# What `cmake --install` puts where (programs in bin, the sounds in
# share/starquell/sounds, the menu entry, metainfo, icons, manual pages and
# documents under share), and the Debian package CPack makes of it
# (make package). The installed programs find their sounds through
# ../share/starquell/sounds from their own folder, so the tree can be moved.
# The Windows zip is put together by cmake/windows_zip.cmake.

set(packaging_dir ${CMAKE_SOURCE_DIR}/packaging)
set(app_id org.starquell.Starquell)

install(TARGETS starquell starquell-replay starquell-controls RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/sounds/hit.wav ${CMAKE_BINARY_DIR}/sounds/fire.wav
              ${CMAKE_BINARY_DIR}/sounds/sound21.wav
        DESTINATION ${CMAKE_INSTALL_DATADIR}/starquell/sounds)
install(FILES ${packaging_dir}/${app_id}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging_dir}/${app_id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
  install(FILES ${CMAKE_BINARY_DIR}/icons/starquell-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME starquell.png)
endforeach()

# Manual pages and documents, compressed as Debian keeps them (gzip -n: no
# name or time stamp, so the same input gives the same bytes).
set(VERSION ${PROJECT_VERSION})
set(SOUND_FOLDER ${STARQUELL_SOUND_FOLDER})
set(doc_build_dir ${CMAKE_BINARY_DIR}/packaging)
set(compressed)
foreach(page starquell starquell-replay starquell-controls)
  configure_file(${packaging_dir}/${page}.6 ${doc_build_dir}/${page}.6 @ONLY)
  list(APPEND compressed ${doc_build_dir}/${page}.6)
endforeach()
configure_file(${packaging_dir}/changelog.Debian.in ${doc_build_dir}/changelog @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/CHANGELOG ${doc_build_dir}/NEWS COPYONLY)
list(APPEND compressed ${doc_build_dir}/changelog ${doc_build_dir}/NEWS)
set(compressed_files)
foreach(file ${compressed})
  add_custom_command(OUTPUT ${file}.gz
    COMMAND gzip -9 -n -c ${file} > ${file}.gz
    DEPENDS ${file}
    VERBATIM)
  list(APPEND compressed_files ${file}.gz)
endforeach()
add_custom_target(starquell_documents ALL DEPENDS ${compressed_files})
foreach(page starquell starquell-replay starquell-controls)
  install(FILES ${doc_build_dir}/${page}.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endforeach()
install(FILES ${packaging_dir}/copyright ${doc_build_dir}/changelog.gz ${doc_build_dir}/NEWS.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package: dependencies found by dpkg-shlibdeps from what the
# programs link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME starquell)
set(CPACK_PACKAGE_VENDOR "The Starquell developers")
set(CPACK_PACKAGE_CONTACT "The Starquell developers <developers@starquell.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "two walkers duel on a two-colour arena")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A small real-time game for two players at one desktop. Two walkers stand on a
two-colour pixel arena, each on the other's colour. One player uses the mouse,
the other the keyboard; shots paint discs of the shooter's colour and cut
ground from the opponent.
.
Also included: starquell-replay, which plays the game without a screen from an
input script, and starquell-controls, which shows the game's control toolkit.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
