# The Debian package: cpack -G DEB in a build configured with
# -DCMAKE_INSTALL_PREFIX=/usr (scripts/deb.sh does both). It holds whatever
# the install rules put in place, plus the manual pages of orbel, keyflash and
# orbel-cli, the copyright file and the JSON schema of orbel-cli's --json;
# its Depends come from the binaries (dpkg-shlibdeps).

# The manual pages, compressed as Debian wants them: -n keeps the file's
# name and time out of the archive, so equal pages give equal bytes.
set(manpages)
foreach(page orbel orbel-cli keyflash)
  configure_file(${PROJECT_SOURCE_DIR}/docs/${page}.1.in ${CMAKE_BINARY_DIR}/man/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.1.gz
    COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/man/${page}.1 > ${CMAKE_BINARY_DIR}/man/${page}.1.gz
    DEPENDS ${CMAKE_BINARY_DIR}/man/${page}.1
    VERBATIM)
  list(APPEND manpages ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
endforeach()
add_custom_target(orbel_manpage ALL DEPENDS ${manpages})
install(FILES ${manpages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_SOURCE_DIR}/docs/orbel-cli.schema.json
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orbel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "the orbel developers <orbel@invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Orithaven clock and moon phase in the notification area")
# CPack puts the summary first and indents these lines itself; an empty
# line becomes the paragraph mark.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "orbel shows the moon phase of Orithaven, an online game's world, as its
tray icon and the Orithaven time as its tooltip, and announces every new
phase. Its user interface is Japanese.

orbel-cli prints the same times, searches and calendars on the command
line and feeds status bars such as waybar and polybar.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# liborlib.so.1 comes with the package: dpkg-shlibdeps finds it there and
# adds no dependency for it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_PREFIX}/${ORBEL_INSTALL_LIBDIR})
# Qt finds its Wayland platform in qt6-wayland when no X server runs; the
# Japanese texts need a font that has them; the tray needs a
# StatusNotifierItem host, which GNOME gets from an extension.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gnome-shell-extension-appindicator")
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
include(CPack)
