# Installation (GNUInstallDirs: --prefix and DESTDIR are honoured) and the
# Debian package (cpack -G DEB, dependencies from dpkg-shlibdeps).
include(GNUInstallDirs)

set(morva_programs morva-scenario morva-cards)
if(TARGET morva-manager)
  list(PREPEND morva_programs morva-manager)
endif()
install(TARGETS ${morva_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES resources/morva-manager.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# A tray resident starts with the session once the user enables it; the
# program never enables it on its own.
install(FILES resources/morva-manager-autostart.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/morva-manager/autostart
        RENAME morva-manager.desktop)
install(FILES resources/morva-manager.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(TARGET morva-icons)
  install(DIRECTORY "${MORVA_ICON_DIR}" DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()

set(CPACK_PACKAGE_NAME "morva-manager")
set(CPACK_PACKAGE_VERSION "1.0.0")
set(CPACK_PACKAGE_VENDOR "MORVA Manager")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Mixer and manager of the Morva sound card")
set(CPACK_PACKAGE_DESCRIPTION
    "A tray-resident mixer for the Morva sound card (four analog stereo pairs and one S/PDIF pair in each direction, up to four cards), on a simulated card and driver.")
set(CPACK_PACKAGE_CONTACT "MORVA Manager developers <morva@localhost>")
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
include(CPack)
