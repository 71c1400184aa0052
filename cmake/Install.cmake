# Installation and Debian packages: `cmake --install`, `cpack -G DEB`.
include(GNUInstallDirs)
set(PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)

foreach(program tarvo mireval)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${program})
    install(FILES ${PACKAGING_DIR}/${program}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT ${program})
    install(FILES ${PACKAGING_DIR}/${program}.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT ${program})
  endif()
endforeach()

# The command-line jobs on the database come with the door station's package.
if(TARGET tarvo-admin)
  install(TARGETS tarvo-admin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tarvo)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_VENDOR "Tarvo")
set(CPACK_PACKAGE_CONTACT "Tarvo developers <tarvo@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_TARVO_PACKAGE_NAME tarvo)
set(CPACK_DEBIAN_MIREVAL_PACKAGE_NAME mireval)
set(CPACK_DEBIAN_TARVO_DESCRIPTION
    "door controller of the school's access control
Tarvo reads the student card at the door, checks the student's permitted
doors and dates in the access database and opens the door through a serial
relay. Every card presented is written to the access history.")
set(CPACK_DEBIAN_MIREVAL_DESCRIPTION
    "registration console of the school's access control
Mireval adds, searches, edits and deletes the students of the access
database, their permitted doors and dates, and shows each student's
access history.")

# The shared libraries come from dpkg-shlibdeps, with the versions the binaries were linked
# against; listing them by hand missed Xlib for Mireval. Only what is loaded or talked to at run
# time without being linked is named here. The debug information goes into -dbgsym packages,
# so the programs themselves ship stripped.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_PROJECT_CONFIG_FILE ${PACKAGING_DIR}/CPackProjectConfig.cmake)
# A door station needs the PC/SC daemon and a reader driver, never the virtual test stack.
# Qt's Spanish translations give the dialog buttons their Spanish texts.
set(CPACK_DEBIAN_TARVO_PACKAGE_DEPENDS "pcscd, qt6-translations-l10n")
set(CPACK_DEBIAN_TARVO_PACKAGE_RECOMMENDS "libccid, fonts-liberation2")
set(CPACK_DEBIAN_MIREVAL_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_MIREVAL_PACKAGE_RECOMMENDS "fonts-liberation2, sqlite3")
set(CPACK_DEBIAN_TARVO_PACKAGE_CONTROL_EXTRA ${PACKAGING_DIR}/postinst)
set(CPACK_DEBIAN_MIREVAL_PACKAGE_CONTROL_EXTRA ${PACKAGING_DIR}/postinst)
include(CPack)
