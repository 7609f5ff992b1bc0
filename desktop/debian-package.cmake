# The Debian package: `cpack -G DEB` in the build folder (or `cmake --build
# build --target package`) makes vialumo_<version>_<arch>.deb from the same
# install rules as `cmake --install`, installed under /usr: the launcher
# /usr/bin/vialumo, the program and its images/ in /usr/lib/vialumo, the menu
# entry, the icons, the metainfo and the man page.
set(VIALUMO_PACKAGE_MAINTAINER "Vialumo developers <maintainers@vialumo.invalid>" CACHE STRING
    "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vialumo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Vialumo)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "player for car recorder videos with their GPS track on a map")
# The long description; CPack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Vialumo plays the recordings of car video recorders: a video and its GPS,
from the log the recorder wrote beside it, from inside the video (Novatek,
70mai, BlackVue, GoPro) or from an NMEA or GPX file beside it. While a
recording plays, a speedometer, the position and a map follow the car
second by second, and the next clip starts when one ends.

The track of any recording can also be written as GPX, from the list or
with vialumo --export-gpx.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VIALUMO_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VIALUMO_HOMEPAGE}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

# Installed as the system's own software. The install rules run with the
# final prefix and DESTDIR pointing into the package's tree, so that the menu
# entry's Exec and Path name /usr, not the folder the package is made in.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The libraries the program links, as dpkg-shlibdeps finds them, and what it
# loads by name at run time: libvlc's demuxers, decoders and X11 video
# output are plug-ins, and QtWebEngine starts its pages in a separate
# process of its own package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "vlc-plugin-base, vlc-plugin-video-output, libqt6webenginecore6-bin")

include(CPack)
