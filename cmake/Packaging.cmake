# Installing Quillomat as a desktop application, and the Debian package built from that
# installation (`cpack -G DEB` in a build directory). The programs install themselves from
# src/cli and src/gui; this adds what a desktop, `man`, the shells, software centres and
# Debian's policy look for.
include(GNUInstallDirs)

set(QUILLOMAT_PACKAGE_MAINTAINER "Quillomat developers <quillomat@users.invalid>"
    CACHE STRING "The Maintainer of the Debian package (name <address>)")

# Debian installs manual pages and the changelog compressed with gzip -9n (no name, no time
# stamp, so that the package builds reproducibly).
function(quillomat_gzip source output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND gzip -9nc ${source} > ${output}
    DEPENDS ${source}
    VERBATIM)
endfunction()
set(QUILLOMAT_GZIPPED ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${QUILLOMAT_GZIPPED})
set(gzipped)
foreach(page quillomat-cli quillomat)
  quillomat_gzip(${PROJECT_SOURCE_DIR}/docs/man/${page}.1 ${QUILLOMAT_GZIPPED}/${page}.1.gz)
  list(APPEND gzipped ${QUILLOMAT_GZIPPED}/${page}.1.gz)
endforeach()
quillomat_gzip(${PROJECT_SOURCE_DIR}/resources/debian/changelog
               ${QUILLOMAT_GZIPPED}/changelog.gz)
add_custom_target(quillomat_gzipped ALL DEPENDS ${gzipped} ${QUILLOMAT_GZIPPED}/changelog.gz)

install(FILES ${QUILLOMAT_GZIPPED}/quillomat-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${QUILLOMAT_GZIPPED}/changelog.gz ${PROJECT_SOURCE_DIR}/resources/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillomat)
# Completions of quillomat-cli where bash-completion, zsh and fish look for them.
set(completions ${PROJECT_SOURCE_DIR}/resources/completions)
install(FILES ${completions}/quillomat-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quillomat-cli)
install(FILES ${completions}/_quillomat-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
install(FILES ${completions}/quillomat-cli.fish
        DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
# The menu entry, the icon, the software centres' metadata and the desktop program's page
# only come with the desktop program.
if(TARGET quillomat)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/quillomat.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/io.github.quillomat.Quillomat.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/quillomat.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/quillomat-32.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps RENAME quillomat.png)
  install(FILES ${QUILLOMAT_GZIPPED}/quillomat.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillomat)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "rename HTML documents after their titles")
# Lines of at most 79 characters, as Debian's policy asks of the extended description.
set(CPACK_PACKAGE_DESCRIPTION
    "Quillomat renames the .htm and .html files of a directory, or one HTML\n\
file, after the titles they hold, through scratch names first so that no two\n\
documents can overwrite each other. It can back the files up first, writes an\n\
error log and a rename log, and journals every rename so that a run can be\n\
undone.\n\
.\n\
This package holds the desktop program quillomat and the terminal program\n\
quillomat-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUILLOMAT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# dpkg-shlibdeps (dpkg-dev) names the libraries the programs link: libc, libstdc++, Qt 6.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET quillomat)
  # Qt's libraries only recommend the platform plugins, without which no window opens; the
  # dialogs are laid out for Arial's metrics, which Liberation Sans shares. View Log(s) opens
  # the copies with xdg-open.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, xdg-utils")
endif()
include(CPack)
