# Run by cpack: the Debian package's Depends line from the libraries the built
# binaries load, as dpkg-shlibdeps finds them. Left to CPack itself, the
# dependency scan would also give the package an ldconfig script for the
# private archiving library, and a package with scripts stays listed after
# "apt-get remove".
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
find_program(POSTORA_SHLIBDEPS dpkg-shlibdeps REQUIRED)
set(work "${CPACK_TOPLEVEL_DIRECTORY}/shlibdeps")
file(MAKE_DIRECTORY "${work}/debian")
file(TOUCH "${work}/debian/control")
set(binaries)
foreach(name IN LISTS CPACK_POSTORA_BINARIES)
  if(NOT EXISTS "${CPACK_POSTORA_BINARY_DIR}/${name}")
    message(FATAL_ERROR "Not built: ${CPACK_POSTORA_BINARY_DIR}/${name}")
  endif()
  list(APPEND binaries "${CPACK_POSTORA_BINARY_DIR}/${name}")
endforeach()
execute_process(COMMAND ${POSTORA_SHLIBDEPS} -O ${binaries}
  WORKING_DIRECTORY "${work}"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT output MATCHES "shlibs:Depends=([^\n]+)")
  message(FATAL_ERROR "dpkg-shlibdeps failed: ${errors}")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
