# The Debian package: both programs, the desktop entry, the icon, the metainfo, the manual pages and the
# completion, with the copyright file and changelog a distribution asks for (scripts/package builds it and
# runs lintian on it).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME marlin-explorer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "explorer for hard-disc images of an 8-bit hierarchical filing system")
# dpkg shows the long description as it stands, so its lines are kept under 80 columns here.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Marlin Explorer opens, makes and edits .dat hard-disc images: it browses\n"
    "the directory tree, shows catalogue listings and the free-space map, views\n"
    "files as hex, text, BASIC or 65C02 disassembly, and moves files in and out\n"
    "with .INF sidecars by drag and drop, with undo, repair and salvage. The\n"
    "command-line tool marlin offers the same operations to scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Marlin Explorer developers <marlin-explorer@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://marlin-explorer.example.org/")
# Libraries the programs link come from dpkg-shlibdeps; the plugins Qt loads at run time (the display platform
# and the SVG reader for the icon) are not linked, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
# Debian ships binaries without their symbols. lintian's informational binary-has-unneeded-section (.comment,
# the compiler's name) stays: only Debian's own packaging helper removes that section, and it is harmless.
set(CPACK_STRIP_FILES ON)

# The copyright file and the changelog, where Debian's policy puts them: the changelog compressed with
# gzip -9n so that the package is the same from build to build. A version without a Debian revision makes a
# native package, whose changelog is changelog.gz.
set(marlin_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/marlin-explorer)
execute_process(COMMAND date -R -u -d "${MARLIN_RELEASE_DATE} 12:00" OUTPUT_VARIABLE MARLIN_RELEASE_DATE_RFC2822
                OUTPUT_STRIP_TRAILING_WHITESPACE)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
                   COMMAND gzip -9nc changelog > changelog.gz
                   WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/packaging
                   DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog)
add_custom_target(marlin_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${marlin_doc_dir})
include(CPack)
