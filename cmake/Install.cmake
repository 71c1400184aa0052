# Installation and Debian packages: `cmake --install`, `cpack -G DEB`.
include(GNUInstallDirs)
set(PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
set(TARVO_MAINTAINER "Tarvo developers <tarvo-dev@tarvo.example.org>")

# ---------------------------------------------------------------------------------------------
# The packages' version grows with every commit, so that apt installs each later build over the
# one before: PROJECT_VERSION, then the number of commits in the history (tags need not reach
# every clone). A tree without its history says so with "~", which sorts below every build
# from a clone: such a package never replaces one built from git, and any later one built from
# git replaces it.
find_package(Git QUIET)
set(TARVO_COMMIT "")
if(GIT_FOUND)
  # Only the project's own repository counts, not one that a copied tree happens to sit in.
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --show-toplevel
                  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} RESULT_VARIABLE git_failed
                  OUTPUT_VARIABLE git_top OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT git_failed)
    file(REAL_PATH "${git_top}" git_top)
    file(REAL_PATH "${CMAKE_SOURCE_DIR}" source_top)
  endif()
  if(NOT git_failed AND git_top STREQUAL source_top)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%h
                    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                    OUTPUT_VARIABLE TARVO_COMMIT OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                    OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-list --count HEAD
                    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                    OUTPUT_VARIABLE commit_count OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --is-shallow-repository
                    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                    OUTPUT_VARIABLE shallow OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    # A new commit or checkout changes the version: configure again then.
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --path-format=absolute --git-path logs/HEAD
                    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                    OUTPUT_VARIABLE head_log OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(EXISTS "${head_log}")
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${head_log}")
    endif()
  endif()
endif()
if(TARVO_COMMIT AND commit_count MATCHES "^[0-9]+$" AND NOT shallow STREQUAL "true")
  set(TARVO_UPSTREAM_VERSION ${PROJECT_VERSION}+git${commit_count})
  set(TARVO_CHANGELOG_ENTRY
      "Built from commit ${TARVO_COMMIT}, number ${commit_count} in the source's history;\n    its log (git log) lists the changes.")
elseif(TARVO_COMMIT)
  # A shallow clone counts only the commits it fetched.
  set(TARVO_UPSTREAM_VERSION ${PROJECT_VERSION}~shallow)
  set(TARVO_CHANGELOG_ENTRY
      "Built from commit ${TARVO_COMMIT} in a shallow clone, whose commits are not all counted.")
else()
  set(TARVO_UPSTREAM_VERSION ${PROJECT_VERSION}~nogit)
  set(TARVO_CHANGELOG_ENTRY "Built from a source tree without its git history.")
endif()
# The Debian revision: these packages are made from the source as it is, so always 1.
set(TARVO_DEBIAN_REVISION 1)
set(TARVO_PACKAGE_VERSION ${TARVO_UPSTREAM_VERSION}-${TARVO_DEBIAN_REVISION})
# Dates in the changelog, the manual pages and the metainfo are the commit's, so that a build
# of the same commit makes the same files.
if(commit_time MATCHES "^[0-9]+$")
  set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
  set(ENV{SOURCE_DATE_EPOCH} ${commit_time})
  string(TIMESTAMP TARVO_RELEASE_DATE "%Y-%m-%d" UTC)
  string(TIMESTAMP TARVO_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")
else()
  string(TIMESTAMP TARVO_RELEASE_DATE "%Y-%m-%d" UTC)
  string(TIMESTAMP TARVO_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
endif()
message(STATUS "Package version: ${TARVO_PACKAGE_VERSION}")

# ---------------------------------------------------------------------------------------------
# The flags Debian builds its packages with (dpkg-buildflags), for the package build: stack
# protector, fortified C library calls, read-only relocations bound at start. Every target of
# the project compiles and links through project_options, so they go there. CPPFLAGS are
# passed too, since CMake itself does not read them.
option(TARVO_DEBIAN_BUILDFLAGS "Compile and link with Debian's hardening flags (dpkg-buildflags)"
       OFF)
if(TARVO_DEBIAN_BUILDFLAGS)
  find_program(TARVO_DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
  # bindnow is not among dpkg's defaults on Debian 12; +all turns it on as well.
  if(DEFINED ENV{DEB_BUILD_MAINT_OPTIONS})
    set(maint_options "$ENV{DEB_BUILD_MAINT_OPTIONS}")
  else()
    set(maint_options "hardening=+all")
  endif()
  foreach(kind CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
    # Run in the source tree: its -ffile-prefix-map maps this folder away.
    execute_process(COMMAND ${CMAKE_COMMAND} -E env "DEB_BUILD_MAINT_OPTIONS=${maint_options}"
                            ${TARVO_DPKG_BUILDFLAGS} --get ${kind}
                    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE flags
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(deb_${kind} UNIX_COMMAND "${flags}")
  endforeach()
  message(STATUS "Debian build flags: ${deb_CPPFLAGS} ${deb_CXXFLAGS} ${deb_LDFLAGS}")
  target_compile_options(project_options INTERFACE ${deb_CPPFLAGS}
                         "$<$<COMPILE_LANGUAGE:C>:${deb_CFLAGS}>"
                         "$<$<COMPILE_LANGUAGE:CXX>:${deb_CXXFLAGS}>")
  target_link_options(project_options INTERFACE ${deb_LDFLAGS})
endif()

# ---------------------------------------------------------------------------------------------
# Files made from templates: the manual pages and the changelog carry the version and are
# gzipped as Debian wants them (-9 for the smallest file, -n for no name or time in it, so the
# same commit makes the same bytes); the metainfo carries the release.
set(gzipped_files "")
function(tarvo_gzip file)
  add_custom_command(OUTPUT ${file}.gz
                     COMMAND gzip -9nkf ${file}
                     DEPENDS ${file}
                     COMMENT "Compressing ${file}" VERBATIM)
  set(gzipped_files ${gzipped_files} ${file}.gz PARENT_SCOPE)
endfunction()

foreach(page tarvo.1 mireval.1 tarvo-admin.1 tarvo-setup-server.8)
  configure_file(${PACKAGING_DIR}/man/${page}.in ${PACKAGING_OUT}/man/${page} @ONLY)
  tarvo_gzip(${PACKAGING_OUT}/man/${page})
endforeach()

# The daily purge's service names the installed tarvo-admin.
configure_file(${PACKAGING_DIR}/systemd/tarvo-purge.service.in
               ${PACKAGING_OUT}/systemd/tarvo-purge.service @ONLY)

# The changelog: this build's entry on top of the packages' history, packaging/changelog.
configure_file(${PACKAGING_DIR}/changelog.in ${PACKAGING_OUT}/changelog.top @ONLY)
file(READ ${PACKAGING_OUT}/changelog.top changelog_top)
file(READ ${PACKAGING_DIR}/changelog changelog_history)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PACKAGING_DIR}/changelog)
set(changelog_written "")
if(EXISTS ${PACKAGING_OUT}/changelog.Debian)
  file(READ ${PACKAGING_OUT}/changelog.Debian changelog_written)
endif()
if(NOT changelog_written STREQUAL "${changelog_top}${changelog_history}")
  file(WRITE ${PACKAGING_OUT}/changelog.Debian "${changelog_top}${changelog_history}")
endif()
tarvo_gzip(${PACKAGING_OUT}/changelog.Debian)
add_custom_target(tarvo_packaging_files ALL DEPENDS ${gzipped_files})

# Each package's postrm names the other one: the last of the two to be purged speaks.
foreach(program tarvo mireval)
  if(program STREQUAL "tarvo")
    set(TARVO_OTHER_PACKAGE mireval)
  else()
    set(TARVO_OTHER_PACKAGE tarvo)
  endif()
  configure_file(${PACKAGING_DIR}/postrm.in ${PACKAGING_OUT}/${program}/postrm @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  configure_file(${PACKAGING_DIR}/metainfo/org.example.tarvo.${program}.metainfo.xml.in
                 ${PACKAGING_OUT}/org.example.tarvo.${program}.metainfo.xml @ONLY)
endforeach()

# ---------------------------------------------------------------------------------------------
# What each package installs.
foreach(program tarvo mireval)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${program})
    install(FILES ${PACKAGING_DIR}/${program}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT ${program})
    install(FILES ${PACKAGING_DIR}/${program}.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT ${program})
    foreach(size 16 32 48 64 128 256)
      install(FILES ${PACKAGING_DIR}/icons/${size}x${size}/${program}.png
              DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
              COMPONENT ${program})
    endforeach()
    install(FILES ${PACKAGING_OUT}/org.example.tarvo.${program}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT ${program})
    install(FILES ${PACKAGING_OUT}/man/${program}.1.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${program})
    install(FILES ${PACKAGING_DIR}/copyright ${PACKAGING_OUT}/changelog.Debian.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${program} COMPONENT ${program})
  endif()
endforeach()

# The command-line jobs on the database come with the door station's package, and so do the
# server's set-up and the daily purge's systemd units (installed, never enabled by the package).
if(TARGET tarvo-admin)
  install(TARGETS tarvo-admin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tarvo)
  install(FILES ${PACKAGING_OUT}/man/tarvo-admin.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tarvo)
  # The set-up script finds the tables' definition at ../share/tarvo from where it is installed
  # (and at ../accessdb/postgres in a checkout).
  file(RELATIVE_PATH schema_from_setup ${CMAKE_INSTALL_FULL_SBINDIR}
       ${CMAKE_INSTALL_FULL_DATADIR}/tarvo)
  if(NOT schema_from_setup STREQUAL "../share/tarvo")
    message(FATAL_ERROR "tarvo-setup-server looks for its Schema.sql at ../share/tarvo, but "
                        "${CMAKE_INSTALL_FULL_SBINDIR} and ${CMAKE_INSTALL_FULL_DATADIR} differ")
  endif()
  install(PROGRAMS ${CMAKE_SOURCE_DIR}/scripts/setup-site-server.sh
          DESTINATION ${CMAKE_INSTALL_SBINDIR} RENAME tarvo-setup-server COMPONENT tarvo)
  install(FILES ${CMAKE_SOURCE_DIR}/accessdb/postgres/Schema.sql
          DESTINATION ${CMAKE_INSTALL_DATADIR}/tarvo COMPONENT tarvo)
  install(FILES ${PACKAGING_OUT}/man/tarvo-setup-server.8.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man8 COMPONENT tarvo)
  # systemd reads units from lib/systemd/system under /usr and under /usr/local alike.
  install(FILES ${PACKAGING_OUT}/systemd/tarvo-purge.service
                ${PACKAGING_DIR}/systemd/tarvo-purge.timer
          DESTINATION lib/systemd/system COMPONENT tarvo)
endif()

# ---------------------------------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_VENDOR "Tarvo")
set(CPACK_PACKAGE_CONTACT "${TARVO_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TARVO_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${TARVO_UPSTREAM_VERSION})
set(CPACK_DEBIAN_PACKAGE_VERSION ${TARVO_UPSTREAM_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TARVO_DEBIAN_REVISION})
# Both packages come from this one source, whose changelog they carry.
set(CPACK_DEBIAN_PACKAGE_SOURCE tarvo)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_TARVO_PACKAGE_NAME tarvo)
set(CPACK_DEBIAN_MIREVAL_PACKAGE_NAME mireval)
set(CPACK_DEBIAN_TARVO_DESCRIPTION
    "door controller of the school's access control
Tarvo reads the student card at the door, checks the student's permitted
doors and dates in the access database and opens the door through a serial
relay. Every card presented is written to the access history.
.
The command tarvo-admin does the bulk jobs on the database (import, export,
purge, copy between a database file and a PostgreSQL server...), with a
systemd timer for a daily purge, installed but not enabled;
tarvo-setup-server prepares a site's PostgreSQL server.")
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
set(CPACK_POST_BUILD_SCRIPTS ${PACKAGING_DIR}/FixDebugPackages.cmake)
# A door station needs the PC/SC daemon and a reader driver, never the virtual test stack.
# Qt's Spanish translations give the toolkit's own buttons ("Aceptar", "Cancelar") their
# Spanish texts; without them both programs work with the English ones, so they are only
# recommended (apt installs recommendations unless told not to).
set(CPACK_DEBIAN_TARVO_PACKAGE_DEPENDS "pcscd")
set(CPACK_DEBIAN_TARVO_PACKAGE_RECOMMENDS "qt6-translations-l10n, libccid, fonts-liberation2")
# tarvo-setup-server runs psql; only a site with a database server needs it.
set(CPACK_DEBIAN_TARVO_PACKAGE_SUGGESTS "postgresql-client")
set(CPACK_DEBIAN_MIREVAL_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-liberation2, sqlite3")
set(CPACK_DEBIAN_TARVO_PACKAGE_CONTROL_EXTRA
    ${PACKAGING_DIR}/postinst ${PACKAGING_OUT}/tarvo/postrm)
set(CPACK_DEBIAN_MIREVAL_PACKAGE_CONTROL_EXTRA
    ${PACKAGING_DIR}/postinst ${PACKAGING_OUT}/mireval/postrm)
include(CPack)
