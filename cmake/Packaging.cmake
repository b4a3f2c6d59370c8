# The Debian package (CPack's DEB generator): `cpack` in the build folder, or
# scripts/package.sh, writes veltra-player_<version>_amd64.deb with everything the
# install rules put under /usr: both programs, the desktop entry, the icon, the user
# guide, the manual pages, the AppStream metadata and the copyright and changelog files.
# The string tables and the bundled Leaflet are compiled into the program.

set(VELTRA_PACKAGE_MAINTAINER "The Veltra Player developers <veltra-player@users.noreply.github.com>"
  CACHE STRING "Maintainer field of the Debian package")

# Manual pages and the changelog go into the package gzipped with -9n, as Debian
# wants them (-n: no name or time stamp, so the package is the same on every build).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(veltra_docs_dir ${CMAKE_BINARY_DIR}/package-docs)
set(veltra_gzipped)
# veltra_gzip(<source> <name in the package, without .gz> [CONFIGURE])
function(veltra_gzip source name)
  set(plain ${veltra_docs_dir}/${name})
  if(ARGN STREQUAL "CONFIGURE")
    configure_file(${source} ${plain} @ONLY)
  else()
    configure_file(${source} ${plain} COPYONLY)
  endif()
  add_custom_command(OUTPUT ${plain}.gz
    COMMAND ${GZIP_PROGRAM} -9nkf ${plain}
    DEPENDS ${plain}
    COMMENT "Compressing ${name}")
  set(veltra_gzipped ${veltra_gzipped} ${plain}.gz PARENT_SCOPE)
endfunction()

veltra_gzip(${CMAKE_SOURCE_DIR}/resources/man/veltra-gps.1 veltra-gps.1 CONFIGURE)
veltra_gzip(${CMAKE_SOURCE_DIR}/resources/debian/changelog changelog)
if(VELTRA_GUI)
  veltra_gzip(${CMAKE_SOURCE_DIR}/resources/man/veltra-player.1 veltra-player.1 CONFIGURE)
endif()
add_custom_target(veltra_package_docs ALL DEPENDS ${veltra_gzipped})

install(FILES ${veltra_docs_dir}/veltra-gps.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${veltra_docs_dir}/changelog.gz ${CMAKE_SOURCE_DIR}/resources/debian/copyright
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/veltra-player)
if(VELTRA_GUI)
  install(FILES ${veltra_docs_dir}/veltra-player.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/io.github.veltra.Player.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/debian/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME veltra-player)
endif()

# Installing (and so `cpack`) needs only what the rules above and the programs' own
# rules install, not the tests and benchmarks: scripts/package.sh builds those targets
# and then packs, without building the whole tree first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veltra-player)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Veltra Player developers")
set(CPACK_PACKAGE_CONTACT "${VELTRA_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dash camera video player with map, speed and G-sensor")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VELTRA_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The synopsis line is the summary above; CPack indents these lines itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Veltra Player plays the video files that car dash cameras record. Beside
the picture it shows what the camera logged: the route on a map with a
marker that follows the video, a compass and a speed dial, trip statistics
(maximum and average speed, distance) and the three G-sensor axes as
read-outs and a graph.
.
The package also holds veltra-gps, which prints the telemetry of many
files as JSON, CSV, GPX or KML.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The shared libraries the programs link come from dpkg-shlibdeps; what they load at
# run time it cannot see: Qt's platform plugins (xcb and the rest), the GStreamer
# elements that decode the cameras' H.264 and AAC (playbin, qtdemux, avdec_h264), the
# SQLite driver of Qt SQL the drive library opens its database with, and
# the fonts the panels draw with. CJK fonts and Qt's own translations are only for
# the Chinese interface and Qt's standard dialogs, and ffmpeg only for File ▸ Export
# Incident… (which says so when it is missing), so they are recommended. The OpenCV
# libraries come from the shared objects; the cascades that find faces and plates are
# opencv-data's files, read at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "qt6-qpa-plugins, libqt6sql6-sqlite, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-libav, fonts-dejavu-core, opencv-data")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n, ffmpeg")

include(CPack)
