# Installation: the three programs; the toolkit's headers and static
# libraries with a CMake package and a pkg-config file, so that other
# programs can build on it; and the show's data, which an installed program
# finds beside itself.
include(CMakePackageConfigHelpers)

set(MORVA_INCLUDE_DIR ${CMAKE_INSTALL_INCLUDEDIR}/morva)
set(MORVA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/morva)
set(MORVA_DATA_DIR ${CMAKE_INSTALL_DATADIR}/morva)

install(TARGETS morva morva-capture morva-compose RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# ---------------------------------------------------------------------------
# The toolkit: morva::app, morva::gui, morva::audio, morva::geometry,
# morva::geometry_draw, morva::sync and morva::show.

set(MORVA_LIBRARIES morva_app morva_gui morva_audio morva_geometry morva_geometry_draw morva_sync morva_show)
foreach(library IN LISTS MORVA_LIBRARIES)
  string(REPLACE "morva_" "" exported_name ${library})
  set_target_properties(${library} PROPERTIES EXPORT_NAME ${exported_name})
  # Code built with the sanitizers links only with their run-time libraries.
  if(MORVA_SANITIZE)
    target_link_options(${library} INTERFACE $<INSTALL_INTERFACE:-fsanitize=address,undefined>)
  endif()
endforeach()

# The headers keep their subsystem folders under include/morva, so outside
# code writes <morva/geometry/mesh.h>. They include each other as
# "geometry/vec3.h", as inside the project, so include/morva is an include
# folder of the installed targets as well as include/: the headers are
# installed as they are written.
install(TARGETS ${MORVA_LIBRARIES} EXPORT morva-targets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} ${MORVA_INCLUDE_DIR})
foreach(subsystem app gui audio geometry sync show)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/${subsystem}/ DESTINATION ${MORVA_INCLUDE_DIR}/${subsystem}
          FILES_MATCHING PATTERN "*.h")
endforeach()
install(FILES ${MORVA_GENERATED_DIR}/morva/version.h DESTINATION ${MORVA_INCLUDE_DIR})

install(EXPORT morva-targets NAMESPACE morva:: DESTINATION ${MORVA_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/morva-config.cmake.in
  ${PROJECT_BINARY_DIR}/morva-config.cmake
  INSTALL_DESTINATION ${MORVA_CMAKE_DIR}
  PATH_VARS MORVA_INCLUDE_DIR MORVA_DATA_DIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/morva-config-version.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/morva-config.cmake ${PROJECT_BINARY_DIR}/morva-config-version.cmake
  DESTINATION ${MORVA_CMAKE_DIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/dependencies.cmake DESTINATION ${MORVA_CMAKE_DIR}
  RENAME morva-dependencies.cmake)

# pkg-config: one package with every library, its prefix found from where
# the file lies so that a moved installation still works.
file(RELATIVE_PATH MORVA_PC_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
set(MORVA_PC_LINK_OPTIONS "")
if(MORVA_SANITIZE)
  set(MORVA_PC_LINK_OPTIONS "-fsanitize=address,undefined")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/morva.pc.in ${PROJECT_BINARY_DIR}/morva.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/morva.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# ---------------------------------------------------------------------------
# The show's data: the font from the fonts-3270 package with its licence, and
# the soundtrack, composed in the build (the composer always writes the same
# bytes).

set(MORVA_FONT_SOURCE /usr/share/fonts/truetype/3270/3270-Regular.ttf)
set(MORVA_FONT_LICENCE /usr/share/doc/fonts-3270/copyright)
if(NOT EXISTS ${MORVA_FONT_SOURCE} OR NOT EXISTS ${MORVA_FONT_LICENCE})
  message(FATAL_ERROR "the show's font comes from the fonts-3270 package, which is not installed")
endif()
install(FILES ${MORVA_FONT_SOURCE} DESTINATION ${MORVA_DATA_DIR}/font RENAME HomeVideo-Regular.ttf)
install(FILES ${MORVA_FONT_LICENCE} DESTINATION ${MORVA_DATA_DIR}/font RENAME LICENSE-3270.txt)

set(MORVA_SOUNDTRACK ${PROJECT_BINARY_DIR}/data/sounds/music0.ogg)
add_custom_command(OUTPUT ${MORVA_SOUNDTRACK}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/data/sounds
  COMMAND morva-compose ${MORVA_SOUNDTRACK}.part
  COMMAND ${CMAKE_COMMAND} -E rename ${MORVA_SOUNDTRACK}.part ${MORVA_SOUNDTRACK}
  DEPENDS morva-compose
  COMMENT "Composing the soundtrack")
add_custom_target(morva_soundtrack ALL DEPENDS ${MORVA_SOUNDTRACK})
install(FILES ${MORVA_SOUNDTRACK} DESTINATION ${MORVA_DATA_DIR}/sounds)

# Where an installed program looks for the data, from its own folder.
file(RELATIVE_PATH MORVA_DATA_FROM_PROGRAMS ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/morva)
target_compile_definitions(morva_show PRIVATE MORVA_DATA_FROM_PROGRAMS="${MORVA_DATA_FROM_PROGRAMS}")
