# Installation and the Debian package (cmake --build build --target package).
#
# The package installs the workstation, qalor-initdb (through a wrapper that
# registers the user's SQLite data source "TDS" when none exists) and
# qalor-report, the desktop entry with its icon and the README. Library
# dependencies are found by dpkg-shlibdeps; what the programs load at run
# time (the ODBC plugin and drivers, the window-system plugin, fonts, Qt's
# Chinese texts) is listed by hand.

include(GNUInstallDirs)

if(TARGET qalor)
  install(TARGETS qalor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET qalor-initdb)
  install(TARGETS qalor-initdb RUNTIME DESTINATION ${CMAKE_INSTALL_LIBDIR}/qalor)
  install(PROGRAMS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/qalor-initdb DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET qalor-report)
  install(TARGETS qalor-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/src/resources/qalor.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/src/resources/qalor.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qalor)
set(CPACK_PACKAGE_VENDOR "Qalor")
set(CPACK_PACKAGE_CONTACT "Qalor maintainers <qalor@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Call accounting and hotel billing for a Harris 20-20 PBX")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Qalor receives the call detail records of a Harris 20-20 PBX on a serial line or from a serial device\n"
    "server over TCP, prices every call from its rate tables and stores it in an ODBC data source. It offers\n"
    "queries and printed detail bills, the monthly statistics with reports and payment notices, and hotel\n"
    "check-in and check-out with room telephone bills. The user interface is in Simplified Chinese.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-odbc, qt6-qpa-plugins, unixodbc, odbcinst, libsqliteodbc, fonts-wqy-microhei, fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "odbc-postgresql")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "postgresql")
include(CPack)
