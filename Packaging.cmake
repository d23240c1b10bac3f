# Installation (bin/palvex, lib/palvex/palvex-window.so, share/palvex/ with templates, help and icons, the
# menu entry and the icon theme's icons) and the Debian package built from it.

include(GNUInstallDirs)

install(TARGETS palvex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The window module, found by the program in ../lib/palvex/ beside its folder.
if(TARGET palvex_window)
  install(TARGETS palvex_window LIBRARY DESTINATION lib/palvex)
endif()
# The program looks for shipped files in ../share/palvex/ beside its folder.
install(DIRECTORY data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/palvex
  PATTERN README.md EXCLUDE)
install(FILES packaging/palvex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/icons/palvex-48.png RENAME palvex.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
install(FILES data/icons/palvex-256.png RENAME palvex.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES data/icons/palvex.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME palvex)
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_PACKAGE_CONTACT "Palvex developers <palvex@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Single-user desktop web server")
set(CPACK_PACKAGE_DESCRIPTION
  "Serves a chosen folder over HTTP with directory listings, a small chat and a webcam page; runs with a window or headless.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
# Library dependencies come from dpkg-shlibdeps, so they follow what is linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
