# The libraries the toolkit builds on. The same file finds them when the
# toolkit is built and when another program finds the installed package, so
# the imported targets that the toolkit's targets link against exist in both
# with the same names. MORVA_DEPENDENCY_MODE is REQUIRED or QUIET.
set(OpenGL_GL_PREFERENCE GLVND)
find_package(OpenGL ${MORVA_DEPENDENCY_MODE} COMPONENTS OpenGL GLX)
find_package(GLUT ${MORVA_DEPENDENCY_MODE})
find_package(X11 ${MORVA_DEPENDENCY_MODE})
find_package(PkgConfig ${MORVA_DEPENDENCY_MODE})
if(PKG_CONFIG_FOUND)
  pkg_check_modules(STB ${MORVA_DEPENDENCY_MODE} IMPORTED_TARGET stb)
  pkg_check_modules(SNDFILE ${MORVA_DEPENDENCY_MODE} IMPORTED_TARGET sndfile)
  # Songs at other rates are converted to the playback rate when loaded.
  pkg_check_modules(SOXR ${MORVA_DEPENDENCY_MODE} IMPORTED_TARGET soxr)
  pkg_check_modules(RTAUDIO ${MORVA_DEPENDENCY_MODE} IMPORTED_TARGET rtaudio)
  # SIMD with run-time dispatch for the analysis: one binary, the best vector
  # instructions the processor has; the portable compiler flags stay.
  pkg_check_modules(HWY ${MORVA_DEPENDENCY_MODE} IMPORTED_TARGET libhwy)
  # The sync editor's documents are XML.
  pkg_check_modules(PUGIXML ${MORVA_DEPENDENCY_MODE} IMPORTED_TARGET pugixml)
endif()

# The names of the targets above, for a check that all of them are there.
set(MORVA_DEPENDENCY_TARGETS OpenGL::GL OpenGL::GLU OpenGL::GLX GLUT::GLUT X11::X11
    PkgConfig::STB PkgConfig::SNDFILE PkgConfig::SOXR PkgConfig::RTAUDIO PkgConfig::HWY PkgConfig::PUGIXML)
