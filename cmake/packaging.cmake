# The Debian package: cmake --build build && cpack --config build/CPackConfig.cmake -G DEB
# Installs under /usr, so polkit finds the remover's action and the menu finds the entry.

set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VENDOR "The Quillmere developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Remove an application together with the files it left behind")
set(CPACK_PACKAGE_DESCRIPTION
  "Drag an application bundle onto the window: Quillmere lists every file it left behind in
the Library folders, deletes them after confirmation and shows a live log. Paths the
user may not delete are removed by a small privileged helper after one polkit prompt.")
# PLACEHOLDER under the reserved ".example" domain until the project has its own site.
set(CPACK_PACKAGE_CONTACT "The Quillmere developers <support@quillmere.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quillmere.example")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The build's own umask must not leak into the package's folders.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries from dpkg-shlibdeps, and pkexec, which starts the privileged
# remover and which no library links to.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "pkexec")
# Reads the icons (.icns) of the dropped applications; without it they show
# the generic icon.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
