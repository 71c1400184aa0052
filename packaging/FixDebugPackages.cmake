# Run by cpack after it has built the packages (CPACK_POST_BUILD_SCRIPTS). CMake 3.25 writes the
# -dbgsym packages' md5sums with the absolute paths of its staging folder, so dpkg --verify
# would find none of their files, and gives them no documentation. Each is rebuilt with
# relative paths, its debug files not executable, and with /usr/share/doc/<package>-dbgsym pointing at the program's own folder,
# whose copyright and changelog cover it, as Debian's debug packages do.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.ddeb$")
    continue()
  endif()
  set(tree "${package}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb -R "${package}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND dpkg-deb -f "${package}" Package
                  OUTPUT_VARIABLE name OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  file(READ "${tree}/DEBIAN/md5sums" sums)
  string(REGEX REPLACE "  [^\n]*/${name}/usr/lib/debug/" "  usr/lib/debug/" sums "${sums}")
  file(WRITE "${tree}/DEBIAN/md5sums" "${sums}")
  # Debug information is read, never run.
  file(GLOB_RECURSE debug_files "${tree}/usr/lib/debug/*.debug")
  file(CHMOD ${debug_files} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  string(REGEX REPLACE "-dbgsym$" "" program "${name}")
  file(MAKE_DIRECTORY "${tree}/usr/share/doc")
  file(CREATE_LINK "${program}" "${tree}/usr/share/doc/${name}" SYMBOLIC)
  execute_process(COMMAND dpkg-deb --root-owner-group -b "${tree}" "${package}"
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
