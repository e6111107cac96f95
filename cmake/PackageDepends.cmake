# Run by cpack: the Debian package's Depends line from the libraries the built
# binaries load, as dpkg-shlibdeps finds them. Left to CPack itself, the
# dependency scan would also give the package an ldconfig script for the
# private archiving library, and a package with scripts stays listed after
# "apt-get remove".
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
find_program(POSTORA_SHLIBDEPS dpkg-shlibdeps REQUIRED)
# cpack reads this file before it names its own folders (CPACK_TOPLEVEL_DIRECTORY is still
# empty here, and "/shlibdeps" would be made at the root): a folder below the package's
# output folder (cpack -B), else below the build folder.
if(CPACK_PACKAGE_DIRECTORY)
  set(work "${CPACK_PACKAGE_DIRECTORY}/_CPack_Packages/shlibdeps")
else()
  get_filename_component(work "${CPACK_POSTORA_BINARY_DIR}" DIRECTORY)
  set(work "${work}/_CPack_Packages/shlibdeps")
endif()
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
