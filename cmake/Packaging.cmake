# Installation: what the Debian package (debian/, built with dpkg-buildpackage)
# takes from `cmake --install`.
#
# The workstation, qalor-initdb (through a wrapper that registers the user's
# SQLite data source "TDS" when none exists; the program itself is in
# /usr/libexec/qalor), qalor-report, qalor-collector and qalor-web with their
# systemd units, the manual pages, the desktop entry and its icon.
# Stripping, compressing, the documentation, the service user and the
# maintainer scripts are debhelper's part.

include(GNUInstallDirs)

if(TARGET qalor)
  install(TARGETS qalor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET qalor-initdb)
  install(TARGETS qalor-initdb RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/qalor)
  install(PROGRAMS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/qalor-initdb DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET qalor-report)
  install(TARGETS qalor-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET qalor-collector)
  install(TARGETS qalor-collector RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The collector as a service, one instance per port (Debian 12 keeps
  # units below /lib).
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/qalor-collector@.service
          DESTINATION /lib/systemd/system)
endif()
if(TARGET qalor-web)
  install(TARGETS qalor-web RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/qalor-web.service DESTINATION /lib/systemd/system)
endif()

foreach(program qalor qalor-initdb qalor-report qalor-collector qalor-web)
  if(TARGET ${program})
    install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/man/${program}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/src/resources/qalor.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/src/resources/qalor.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
