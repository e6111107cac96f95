# The file type of a backup for the desktop, and the Debian package.

include(GNUInstallDirs)

# Registers .ebk archives (and the first volume of a set) as a type of their
# own, so that the file manager opens them with the menu entry's "%f".
install(FILES ${PROJECT_SOURCE_DIR}/data/postora-backup.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

# cpack -G DEB: postora_<version>_amd64.deb of everything "cmake --install"
# puts in place, below /usr. The MIME, menu and icon caches are refreshed by
# the triggers of the packages that own them, so the package has no scripts,
# and removing it leaves nothing behind.
# The maintainer and the Debian revision are the packager's: for example
# cmake -DPOSTORA_MAINTAINER="Ann Packer <ann@example.net>" -DPOSTORA_DEBIAN_RELEASE=2
set(POSTORA_MAINTAINER "Postora developers <maintainers@postora.example.org>" CACHE STRING
  "Maintainer of the Debian package: name and mail address")
set(POSTORA_DEBIAN_RELEASE 1 CACHE STRING "Debian revision of the package (the 1 of 1.7.0-1)")
set(POSTORA_DEBIAN_VERSION ${PROJECT_VERSION}-${POSTORA_DEBIAN_RELEASE})

set(CPACK_PACKAGE_NAME postora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${POSTORA_DEBIAN_RELEASE})
set(CPACK_PACKAGE_VENDOR "Postora developers")
set(CPACK_PACKAGE_CONTACT "${POSTORA_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Backs up the data of Windows e-mail programs run under Wine")
# One line of the control file each: lines under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION [[Postora backs up the registry keys and files of ten Windows e-mail
clients, read from the user's Wine prefix or from a mounted Windows disk,
into one .ebk archive (ZIP, optionally AES-256 encrypted and split into
volumes), and restores them into the client or into a folder.
.
It has a wizard, a standard mode and a scheduler for the desktop, and a
command line for scripts (postora /b, postora /r:).]])

# What Debian asks of every package beside the programs: the copyright and
# licences, the package's change log, and a manual page for each command,
# compressed as Debian does (gzip -9n: no name or time, so the same files
# give the same package). "cmake --install" installs them too.
find_program(POSTORA_GZIP gzip REQUIRED)
set(POSTORA_DOC_OUT ${CMAKE_BINARY_DIR}/install-data/doc)
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in
  ${POSTORA_DOC_OUT}/src/changelog.Debian @ONLY)
set(POSTORA_GZIPPED)
foreach(source IN ITEMS ${POSTORA_DOC_OUT}/src/changelog.Debian
    ${PROJECT_SOURCE_DIR}/packaging/man/postora.1
    ${PROJECT_SOURCE_DIR}/packaging/man/postora-inspect.1)
  get_filename_component(name ${source} NAME)
  add_custom_command(OUTPUT ${POSTORA_DOC_OUT}/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${POSTORA_DOC_OUT}/${name}
    COMMAND ${POSTORA_GZIP} -9nf ${POSTORA_DOC_OUT}/${name}
    DEPENDS ${source} VERBATIM)
  list(APPEND POSTORA_GZIPPED ${POSTORA_DOC_OUT}/${name}.gz)
endforeach()
add_custom_target(postora-docs ALL DEPENDS ${POSTORA_GZIPPED})
install(FILES ${POSTORA_DOC_OUT}/postora.1.gz ${POSTORA_DOC_OUT}/postora-inspect.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
  ${POSTORA_DOC_OUT}/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Why lintian's remaining notes are kept (texts of the language files, the help page
# beside the program).
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian/postora
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides)
# A stripped install (cpack, "cmake --install --strip") also drops the compilers'
# version notes, as Debian's own strip does.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(file postora postora-inspect ZuveDizizo.exe libSqx.so)
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
        --remove-section=.note
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/postora/\${file}\"
        COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the binaries load (Qt 6, libarchive, libssl, libhivex, ...)
# become the Depends line when cpack runs.
set(CPACK_POSTORA_BINARY_DIR ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
set(CPACK_POSTORA_BINARIES postora postora-inspect ZuveDizizo.exe libSqx.so)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackageDepends.cmake)
# Restoring into the mail client imports the registry with Wine's own editor.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS wine)
include(CPack)
