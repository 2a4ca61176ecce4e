# Installing Quillomat as a desktop application, and the Debian package built from that
# installation (`cpack -G DEB` in a build directory). The programs install themselves from
# src/cli and src/gui; this adds what a desktop and `man` look for.
include(GNUInstallDirs)

install(FILES ${PROJECT_SOURCE_DIR}/docs/man/quillomat-cli.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The menu entry, the icon and the desktop program's page only come with the desktop program.
if(TARGET quillomat)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/quillomat.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/quillomat.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/quillomat-32.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps RENAME quillomat.png)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/man/quillomat.1
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillomat)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "rename HTML documents after their titles")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillomat renames the .htm and .html files of a directory, or one HTML file, after the\n\
titles they hold, through scratch names first so that no two documents can overwrite each\n\
other. It can back the files up first and writes an error log and a rename log.\n\
This package holds the desktop program quillomat and the terminal program quillomat-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillomat developers <quillomat@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# dpkg-shlibdeps (dpkg-dev) names the libraries the programs link: libc, libstdc++, Qt 6.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET quillomat)
  # Qt's libraries only recommend the platform plugins, without which no window opens; the
  # dialogs are laid out for Arial's metrics, which Liberation Sans shares.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, xdg-utils")
endif()
include(CPack)
