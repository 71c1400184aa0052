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

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_VENDOR "Tarvo")
set(CPACK_PACKAGE_CONTACT "Tarvo developers <tarvo@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_TARVO_PACKAGE_NAME tarvo)
set(CPACK_DEBIAN_MIREVAL_PACKAGE_NAME mireval)
set(CPACK_COMPONENT_TARVO_DESCRIPTION "Door controller: reads student cards and opens the door through a serial relay")
set(CPACK_COMPONENT_MIREVAL_DESCRIPTION "Registration console: students, permitted doors and access history")
# A door station needs the PC/SC daemon and a reader driver, never the virtual test stack.
set(CPACK_DEBIAN_TARVO_PACKAGE_DEPENDS
    "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), qt6-qpa-plugins, libsqlite3-0, libpcsclite1, libasound2, pcscd")
set(CPACK_DEBIAN_TARVO_PACKAGE_RECOMMENDS "libccid, qt6-translations-l10n, fonts-liberation2")
set(CPACK_DEBIAN_MIREVAL_PACKAGE_DEPENDS
    "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), qt6-qpa-plugins, libsqlite3-0")
set(CPACK_DEBIAN_MIREVAL_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-liberation2, sqlite3")
set(CPACK_DEBIAN_TARVO_PACKAGE_CONTROL_EXTRA ${PACKAGING_DIR}/postinst)
set(CPACK_DEBIAN_MIREVAL_PACKAGE_CONTROL_EXTRA ${PACKAGING_DIR}/postinst)
include(CPack)
