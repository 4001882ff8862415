# The Debian package: both programs, the desktop entry and the icon (scripts/package builds it).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME marlin-explorer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Explorer for hard-disc image files of an 8-bit hierarchical filing system")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Marlin Explorer opens, makes and edits .dat hard-disc images: it browses the directory tree, shows catalogue "
    "listings and the free-space map, views files as hex, text, BASIC or 65C02 disassembly, and moves files in and "
    "out with .INF sidecars by drag and drop. The command-line tool marlin offers the same operations to scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Marlin Explorer developers <marlin-explorer@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Libraries the programs link come from dpkg-shlibdeps; the plugins Qt loads at run time (the display platform
# and the SVG reader for the icon) are not linked, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
include(CPack)
