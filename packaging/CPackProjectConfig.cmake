# Read by cpack before it builds the packages. Without dpkg-shlibdeps cpack would quietly
# leave every shared library out of Depends, and the package would install on a machine that
# cannot run it.
if(CPACK_GENERATOR STREQUAL "DEB")
  find_program(TARVO_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(NOT TARVO_DPKG_SHLIBDEPS)
    message(FATAL_ERROR "dpkg-shlibdeps is missing: apt-get install dpkg-dev")
  endif()
endif()
