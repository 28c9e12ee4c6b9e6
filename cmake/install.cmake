# Installing qmtedit and qmt as a desktop program, and the Debian package.
#
#   cmake --install build/default --prefix ~/.local     (or /usr/local, /usr)
#   cpack --config build/default/CPackConfig.cmake       (qmtedit_VERSION_ARCH.deb)
#
# bin/qmtedit, bin/qmt; share/applications/qmtedit.desktop and the MIME type
# of project files (share/mime/packages/qmtedit.xml); the icon in
# share/icons/hicolor at 32x32 and 128x128, made from the program's own icon;
# man pages qmtedit.1 and qmt.1; the README and the sample project under
# share/doc/qmtedit.

include(GNUInstallDirs)

install(TARGETS qmtedit qmt RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# --- Icons: the 32x32 XPM as PNG, and enlarged 4 times pixel for pixel.
find_program(QMT_CONVERT convert REQUIRED DOC "ImageMagick's convert, for the icons")
set(qmt_icon_source ${PROJECT_SOURCE_DIR}/src/app/mainicon.xpm)
set(qmt_icon_dir ${PROJECT_BINARY_DIR}/share/icons/hicolor)
set(qmt_icons)
foreach(size 32 128)
  set(png ${qmt_icon_dir}/${size}x${size}/apps/qmtedit.png)
  add_custom_command(
    OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${qmt_icon_dir}/${size}x${size}/apps
    COMMAND ${QMT_CONVERT} ${qmt_icon_source} -filter point -resize ${size}x${size} -strip PNG32:${png}
    DEPENDS ${qmt_icon_source}
    COMMENT "Icon ${size}x${size}"
    VERBATIM)
  list(APPEND qmt_icons ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# --- Man pages, compressed as Debian has them.
set(qmt_man_pages)
foreach(page qmtedit.1 qmt.1)
  set(gz ${PROJECT_BINARY_DIR}/share/man/man1/${page}.gz)
  add_custom_command(
    OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/share/man/man1
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${PROJECT_SOURCE_DIR}/docs/man/${page} ${gz}
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page}
    COMMENT "Man page ${page}"
    VERBATIM)
  list(APPEND qmt_man_pages ${gz})
  install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

add_custom_target(qmt_desktop_files ALL DEPENDS ${qmt_icons} ${qmt_man_pages})

# --- Desktop entry, MIME type, documentation.
install(FILES ${PROJECT_SOURCE_DIR}/share/applications/qmtedit.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/share/mime/packages/qmtedit.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/examples/sample.qmt ${PROJECT_SOURCE_DIR}/examples/sample.sav
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

# --- Debian package. Its dependencies are found by dpkg-shlibdeps from the
# libraries the programs link (Qt 6 Widgets, Gui and Core, the C and C++
# run-time); the font is added by hand, since no library names it. The
# desktop, MIME and icon caches are refreshed by the triggers of their own
# Debian packages.
set(QMT_PACKAGE_MAINTAINER "qmtedit developers <qmtedit@example.org>"
    CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qmtedit)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "qmtedit developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor of save-data flags described by project files")
set(CPACK_PACKAGE_DESCRIPTION "qmtedit changes single bytes of a save-data file at the offsets that a
project file (*.qmt, code page 932) declares: up to 16 pages of up to 16
named flags, each given a value from 0 to 255 in decimal or hexadecimal.
qmt, its command-line companion, checks, shows and reads project files and
applies flag values from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QMT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic")
include(CPack)
