# Installation and the Debian package (cmake --build build --target package).
#
# The package installs the workstation, qalor-initdb (through a wrapper that
# registers the user's SQLite data source "TDS" when none exists; the program
# itself is in /usr/libexec/qalor), qalor-report and qalor-collector (with
# its systemd unit) with their manual pages,
# the desktop entry with its icon, the README, the Debian changelog and the
# copyright file. Library dependencies are found by dpkg-shlibdeps; what the
# programs load at run time (the ODBC plugin and drivers, the window-system
# plugin, fonts, Qt's Chinese texts) is listed by hand.

include(GNUInstallDirs)

set(QALOR_PACKAGE_MAINTAINER "Qalor developers <qalor-dev@lists.qalor.org>")
# The Debian revision of this version; the top entry of packaging/changelog
# names the same.
set(QALOR_PACKAGE_RELEASE 1)

set(installed_programs)
if(TARGET qalor)
  install(TARGETS qalor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  list(APPEND installed_programs ${CMAKE_INSTALL_BINDIR}/qalor)
endif()
if(TARGET qalor-initdb)
  install(TARGETS qalor-initdb RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/qalor)
  install(PROGRAMS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/qalor-initdb DESTINATION ${CMAKE_INSTALL_BINDIR})
  list(APPEND installed_programs ${CMAKE_INSTALL_LIBEXECDIR}/qalor/qalor-initdb)
endif()
if(TARGET qalor-report)
  install(TARGETS qalor-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  list(APPEND installed_programs ${CMAKE_INSTALL_BINDIR}/qalor-report)
endif()
if(TARGET qalor-collector)
  install(TARGETS qalor-collector RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  list(APPEND installed_programs ${CMAKE_INSTALL_BINDIR}/qalor-collector)
  # The collector as a service, one instance per port (Debian 12 keeps
  # units below /lib).
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/qalor-collector@.service
          DESTINATION /lib/systemd/system)
endif()

# Stripped as dh_strip does: besides the symbols and the debugging
# information, the compiler's .comment and .note sections go (the build-id
# note stays).
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program ${installed_programs})
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                              \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${program}\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()")

# Manual pages and the Debian changelog are compressed as dh_compress does
# (gzip -9n: no name or time stamp, so the package is reproducible).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(compressed_files)
function(qalor_gzip source output)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${GZIP_PROGRAM} -9n -c ${source} > ${output}
                     DEPENDS ${source}
                     COMMENT "Compressing ${source}"
                     VERBATIM)
  set(compressed_files ${compressed_files} ${output} PARENT_SCOPE)
endfunction()

set(manual_pages)
foreach(program qalor qalor-initdb qalor-report qalor-collector)
  if(TARGET ${program})
    set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1.gz)
    qalor_gzip(${CMAKE_CURRENT_SOURCE_DIR}/packaging/man/${program}.1 ${page})
    list(APPEND manual_pages ${page})
  endif()
endforeach()
qalor_gzip(${CMAKE_CURRENT_SOURCE_DIR}/packaging/changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/man)
add_custom_target(qalor_package_docs ALL DEPENDS ${compressed_files})

install(FILES ${manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME qalor)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/src/resources/qalor.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/src/resources/qalor.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/README.md
              ${CMAKE_CURRENT_SOURCE_DIR}/packaging/copyright
              ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qalor)
set(CPACK_PACKAGE_VENDOR "Qalor")
set(CPACK_PACKAGE_CONTACT "${QALOR_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QALOR_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QALOR_PACKAGE_RELEASE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Call accounting and hotel billing for a Harris 20-20 PBX")
# One line of the control file each: at most 80 columns with the leading blank.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Qalor receives the call detail records of a Harris 20-20 PBX on a serial\n"
    "line or from a serial device server over TCP, prices every call from its\n"
    "rate tables and stores it in an ODBC data source (SQLite or PostgreSQL).\n"
    "\n"
    "It offers queries and printed detail bills, the monthly statistics with\n"
    "reports and payment notices, and hotel check-in and check-out with room\n"
    "telephone bills. The user interface is in Simplified Chinese.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libxlsxwriter4, libqt6sql6-odbc, qt6-qpa-plugins, unixodbc, odbcinst, libsqliteodbc, fonts-wqy-microhei, fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "odbc-postgresql")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "postgresql")
include(CPack)
