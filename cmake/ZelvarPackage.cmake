# The Debian package: cmake --build build/release --target package writes
# zelvar71_VERSION_amd64.deb with everything the install puts under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelvar71)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Zelvar71 developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop companion of the Zelvar71 DMX lighting controller")
# The synopsis is the summary above; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Zelvar71 describes moving-light fixtures for the Zelvar71 stand-alone DMX
controller, keeps the controller's table of channel-function names, gathers
fixture profiles into one download set and moves files to and from the
controller over a serial line or a USB interface. It can take fixture
profiles from the QLC+ fixture library and from the GDTF files that fixture
manufacturers publish.
.
The package holds the fixture editor and link window (Zelvar71), the USB
transfer tool (Zelvar71Save), the command-line tool zelvar71-cli, a D2XX
driver library on libftdi1 with its udev rule, and a simulated USB device
for trying the tool without one. Each user's channel names are kept in the
user's own data folder.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZELVAR71_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the binaries link against, from dpkg-shlibdeps; what is only opened at run
# time (Qt's further platform plug-ins, the font the layouts were made for, the fixture library)
# is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qlcplus-data")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Our own maintainer scripts, which tell udev about the rule. They also keep CPack from
# writing its own, which would run ldconfig for the driver libraries: these lie in the
# programs' folder, which the loader never searches.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/cmake/debian/postinst ${PROJECT_SOURCE_DIR}/cmake/debian/postrm)
set(CPACK_STRIP_FILES ON)
# The install runs with the final prefix and DESTDIR, so that the desktop entry names
# /usr/lib/zelvar71/Zelvar71 and the default channel-name files go in.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
