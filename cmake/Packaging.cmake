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
set(CPACK_PACKAGE_NAME postora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Postora developers")
set(CPACK_PACKAGE_CONTACT "Postora developers <postora@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Backs up the data of Windows e-mail programs run under Wine")
set(CPACK_PACKAGE_DESCRIPTION
  "Postora backs up the registry keys and files of ten Windows e-mail clients, \
read from the user's Wine prefix, into one .ebk archive (ZIP, optionally AES-256 \
encrypted and split into volumes), and restores them.")
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
