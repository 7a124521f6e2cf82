# Install rules and the Debian package (cpack -G DEB from a Release build).
include(GNUInstallDirs)
# Installing and packaging need only the program's targets (tools/test-package.sh
# builds them), not every test and benchmark of "all".
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(GT_PKG_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(GT_PKG_GEN ${PROJECT_BINARY_DIR}/packaging)
set(GT_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/geraetetester)

install(TARGETS geraetetester tester-sim gt-initdb barcode-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Schema scripts and catalogue, for setting up a server by hand.
install(FILES ${PROJECT_SOURCE_DIR}/db/schema-sqlite.sql ${PROJECT_SOURCE_DIR}/db/schema-postgresql.sql
              ${PROJECT_SOURCE_DIR}/db/catalogue.sql
        DESTINATION ${CMAKE_INSTALL_DATADIR}/geraetetester)

install(FILES ${GT_PKG_DIR}/geraetetester.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${GT_PKG_DIR}/geraetetester.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The help pages the program shows, also readable in a browser.
file(GLOB gt_help_pages ${PROJECT_SOURCE_DIR}/src/app/shell/help/*.html ${PROJECT_SOURCE_DIR}/src/app/shell/help/*.css)
install(FILES ${gt_help_pages} DESTINATION ${GT_DOC_DIR}/hilfe)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${GT_PKG_DIR}/copyright DESTINATION ${GT_DOC_DIR})
# The README's pictures, at the same relative paths, so its links work where it is installed.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${GT_DOC_DIR}/docs FILES_MATCHING PATTERN "*.png" PATTERN "*.svg")

# Manual pages and the changelog go in compressed, as Debian wants them
# (gzip -n: no time stamp, so the package is the same from build to build).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(gt_gz_files)
foreach(page geraetetester gt-initdb tester-sim barcode-render)
  configure_file(${GT_PKG_DIR}/${page}.1 ${GT_PKG_GEN}/${page}.1 @ONLY)
  list(APPEND gt_gz_files ${GT_PKG_GEN}/${page}.1)
endforeach()
configure_file(${GT_PKG_DIR}/changelog ${GT_PKG_GEN}/changelog @ONLY)
list(APPEND gt_gz_files ${GT_PKG_GEN}/changelog)
set(gt_gz_outputs)
foreach(f ${gt_gz_files})
  add_custom_command(OUTPUT ${f}.gz COMMAND ${GZIP_PROGRAM} -9nkf ${f} DEPENDS ${f} VERBATIM)
  list(APPEND gt_gz_outputs ${f}.gz)
endforeach()
add_custom_target(gt_package_docs ALL DEPENDS ${gt_gz_outputs})
foreach(page geraetetester gt-initdb tester-sim barcode-render)
  install(FILES ${GT_PKG_GEN}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES ${GT_PKG_GEN}/changelog.gz DESTINATION ${GT_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME geraetetester)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "geraetetester developers")
set(CPACK_PACKAGE_CONTACT "geraetetester developers <geraetetester@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "appliance testing to DIN VDE 0701, 0702 and 0751")
set(CPACK_PACKAGE_DESCRIPTION
    "Desktop program for electricians who test electrical appliances and
medical devices with a portable appliance tester on a serial line:
mirrors and remote-controls the tester's front panel, fetches the stored
tests, keeps customers, devices, tests and visual inspections in a
database (SQLite, or PostgreSQL for several workstations), prints test
protocols and barcode sheets and exports CSV. The user interface is German.

Includes a tester simulator (tester-sim), the database set-up (gt-initdb)
and a barcode drawing tool (barcode-render).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/geraetetester")
# Qt libraries from what the binaries link; plugins are loaded at run time,
# so the SQLite driver and a font are named by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql, fonts-liberation2, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libqt6sql6-odbc, postgresql")
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Only what the program is: tests and benchmarks have no install rules.
include(CPack)
