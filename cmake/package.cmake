# The Debian package: `cpack -G DEB` in the build folder writes
# morva_<version>_amd64.deb with all that the install puts under /usr. The
# run-time dependencies come from the programs' shared libraries
# (dpkg-shlibdeps); what building against the toolkit needs is recommended.
set(CPACK_PACKAGE_NAME morva)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "morva developers <morva@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual demo for X11 and OpenGL, and its toolkit")
set(CPACK_PACKAGE_DESCRIPTION [=[morva plays a soundtrack and draws, in time with it, a figure of small
bars wrapped around a skeleton; morva-capture draws the show off screen,
morva-compose writes the soundtrack. The package also holds the toolkit
beneath the show (windows, widgets, text, sound files and their analysis,
meshes and paths) as static libraries with headers, a CMake package and a
pkg-config file.]=])
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "cmake, pkg-config, g++, freeglut3-dev, libgl-dev, libglu1-mesa-dev, libx11-dev, librtaudio-dev, libsndfile1-dev, libsoxr-dev, libstb-dev, libpugixml-dev")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ffmpeg")
include(CPack)
