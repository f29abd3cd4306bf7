# `make package` (the `package` target): a Debian package of what cmake/install.cmake installs, through CPack.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME leeb-companion)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Leeb Companion Team")
set(CPACK_PACKAGE_CONTACT "Leeb Companion Team <team@leebcompanion.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program for portable Leeb hardness testers")
# The synopsis comes from the summary; this is the extended description under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Finds a portable Leeb (rebound) hardness tester on a serial port, downloads
the measurement groups stored in it, converts each group's Leeb hardness (HL)
into HRB, HRC, HB, HV, HS or tensile strength, and shows them in a table with
statistics and a line chart. Exports Excel workbooks, prints or saves PDF
reports, keeps every download in an archive (SQLite or PostgreSQL), and
speaks Chinese and English.
.
Also contains leeb-convert (conversions on the command line), leeb-archive
(the archive for scripts) and instrument-sim (the instrument on a
pseudo-terminal, for trying the program without one).")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries come from dpkg-shlibdeps; Qt's plugins and catalogues are loaded at run time and are not seen there: the
# archive's SQLite driver is needed, and Qt's catalogues for its dialogs in Chinese; the PostgreSQL driver only for a
# lab's shared archive. The font is compiled in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET Qt6::Core)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, qt6-translations-l10n")
    set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libqt6sql6-psql")
else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt5sql5-sqlite, qttranslations5-l10n")
    set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libqt5sql5-psql")
endif()
include(CPack)

# The package installed into this system, run and removed again: only on request (`make package-test`, or
# `ctest -L package` as root), never in `make test`.
add_test(NAME package COMMAND ${CMAKE_SOURCE_DIR}/tests/package/package_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(package PROPERTIES LABELS package TIMEOUT 600 RUN_SERIAL ON SKIP_RETURN_CODE 77)
