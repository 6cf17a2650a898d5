# SPDX-License-Identifier: MIT
# What `cmake --install` puts under the prefix, and the Debian package CPack
# makes of it (`cpack -G DEB` in a build folder). The program finds its help
# at ../share/quillbox from its own folder (app/Shell.cpp: HelpFilePath), so
# the tree works under any prefix.
include(GNUInstallDirs)

set(QB_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/res/desktop)
install(TARGETS quillbox RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The help: the packed file and the same pages as HTML in help/ beside it.
install(FILES ${PROJECT_BINARY_DIR}/app/quillbox.chm DESTINATION ${CMAKE_INSTALL_DATADIR}/quillbox)
file(GLOB QB_HELP_PAGES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/res/help/*.html ${PROJECT_SOURCE_DIR}/res/help/*.css
  ${PROJECT_SOURCE_DIR}/res/help/*.png)
install(FILES ${QB_HELP_PAGES} DESTINATION ${CMAKE_INSTALL_DATADIR}/quillbox/help)

# Desktop integration after the freedesktop.org standards: the desktop entry,
# the icon in the hicolor theme, the AppStream metainfo, the manual page.
install(FILES ${QB_DESKTOP_DIR}/quillbox.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QB_DESKTOP_DIR}/org.example.quillbox.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/res/icons/quillbox-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME quillbox.png)
endforeach()
# The manual page compressed as Debian wants it: -n keeps the name and time
# out of the header, so the same page gives the same bytes.
find_program(QB_GZIP gzip REQUIRED)
set(QB_MANPAGE ${PROJECT_BINARY_DIR}/quillbox.1.gz)
add_custom_command(OUTPUT ${QB_MANPAGE}
  COMMAND ${CMAKE_COMMAND} -E copy ${QB_DESKTOP_DIR}/quillbox.1 ${PROJECT_BINARY_DIR}/quillbox.1
  COMMAND ${QB_GZIP} -9nf ${PROJECT_BINARY_DIR}/quillbox.1
  DEPENDS ${QB_DESKTOP_DIR}/quillbox.1 VERBATIM)
add_custom_target(qb_manpage ALL DEPENDS ${QB_MANPAGE})
install(FILES ${QB_MANPAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The licence in the machine-readable form Debian reads, and the package's
# changelog (a native package's own), both where every package keeps them.
set(QB_PACKAGE_DIR ${PROJECT_SOURCE_DIR}/res/package)
set(QB_CHANGELOG ${PROJECT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${QB_CHANGELOG}
  COMMAND ${CMAKE_COMMAND} -E copy ${QB_PACKAGE_DIR}/changelog ${PROJECT_BINARY_DIR}/changelog
  COMMAND ${QB_GZIP} -9nf ${PROJECT_BINARY_DIR}/changelog
  DEPENDS ${QB_PACKAGE_DIR}/changelog VERBATIM)
add_custom_target(qb_changelog ALL DEPENDS ${QB_CHANGELOG})
install(FILES ${QB_PACKAGE_DIR}/copyright ${QB_CHANGELOG}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillbox)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillbox)
set(CPACK_PACKAGE_VENDOR "The Quillbox developers")
set(CPACK_PACKAGE_CONTACT "The Quillbox developers <quillbox@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "bookmark and shortcut organiser")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillbox keeps one user's bookmarks and shortcuts (web addresses, files and\nfolders) as named entries in a tree of folders, in one data file.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quillbox.example.org/)
# The libraries come from dpkg-shlibdeps; Qt's platform plugins and the SQLite
# driver (browser profiles) are loaded at run time, so no linker sees them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
