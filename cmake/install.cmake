# What `cmake --install` puts under the prefix: the library, the public headers, the CMake
# package (find_package(speechscore) gives speechscore::speechscore and speechscore::render),
# speechscore.pc for pkg-config, the orchestra under share/speechscore, the renderer
# speechscore-render, the script runner speechscore and the plotter speechscore-plot.
# A new program: add its target to the install(TARGETS) below (RUNTIME goes to bin). A new
# script: speechscore_install_script(source name).
include(CMakePackageConfigHelpers)

set(SPEECHSCORE_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/speechscore)
set(SPEECHSCORE_DATADIR ${CMAKE_INSTALL_DATADIR}/speechscore)

install(TARGETS speechscore EXPORT speechscoreTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET speechscore_cli AND SPEECHSCORE_CLI)
  install(TARGETS speechscore_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# The render module (speechscore::render, header speechscore_render.h) and its program; the
# programs find the orchestra under share/speechscore relative to bin (render/CMakeLists.txt).
if(TARGET speechscore_render)
  install(TARGETS speechscore_render EXPORT speechscoreTargets
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(TARGETS speechscore_render_program RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES render/speechscore_render.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
endif()
install(DIRECTORY include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")
# The words layer (say), its own library and header; it links espeak-ng (GPL-3.0-or-later).
if(TARGET speechscore_words)
  install(TARGETS speechscore_words EXPORT speechscoreTargets
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES words/speechscore_words.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
endif()
install(FILES orchestra/speechscore.orc DESTINATION ${SPEECHSCORE_DATADIR})

# CMake package: the exported target, a config file that also names the installed orchestra
# and renderer, and a version file.
install(EXPORT speechscoreTargets NAMESPACE speechscore:: DESTINATION ${SPEECHSCORE_CMAKEDIR})
configure_package_config_file(${CMAKE_CURRENT_SOURCE_DIR}/cmake/speechscoreConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/speechscoreConfig.cmake
  INSTALL_DESTINATION ${SPEECHSCORE_CMAKEDIR}
  PATH_VARS SPEECHSCORE_DATADIR CMAKE_INSTALL_BINDIR)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/speechscoreConfigVersion.cmake
  COMPATIBILITY ${SPEECHSCORE_COMPATIBILITY})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/speechscoreConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/speechscoreConfigVersion.cmake
        DESTINATION ${SPEECHSCORE_CMAKEDIR})

# pkg-config file. It is written when installing, so that its prefix is the one given to
# `cmake --install --prefix`; the other paths are fixed now, relative to that prefix.
foreach(dir LIBDIR INCLUDEDIR BINDIR DATADIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(SPEECHSCORE_PC_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(SPEECHSCORE_PC_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
install(CODE "
  set(PROJECT_VERSION [[${PROJECT_VERSION}]])
  set(SPEECHSCORE_PC_LIBDIR [[${SPEECHSCORE_PC_LIBDIR}]])
  set(SPEECHSCORE_PC_INCLUDEDIR [[${SPEECHSCORE_PC_INCLUDEDIR}]])
  set(SPEECHSCORE_PC_BINDIR [[${SPEECHSCORE_PC_BINDIR}]])
  set(SPEECHSCORE_PC_DATADIR [[${SPEECHSCORE_PC_DATADIR}]])
  configure_file([[${CMAKE_CURRENT_SOURCE_DIR}/cmake/speechscore.pc.in]]
                 [[${CMAKE_CURRENT_BINARY_DIR}/speechscore.pc]] @ONLY)
")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/speechscore.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Installs a script as bin/<name>. A line `orchestra_dir=../orchestra` in it (the orchestra
# relative to the script in the source tree) is pointed at the installed orchestra.
function(speechscore_install_script source name)
  file(READ ${source} text)
  if(IS_ABSOLUTE "${SPEECHSCORE_DATADIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}")
    set(dir ${CMAKE_INSTALL_FULL_DATADIR}/speechscore)
  else()
    file(RELATIVE_PATH dir /${CMAKE_INSTALL_BINDIR} /${SPEECHSCORE_DATADIR})
  endif()
  string(REGEX MATCH "\norchestra_dir=[^\n]*" line "${text}")
  if(line AND NOT line STREQUAL "\norchestra_dir=../orchestra")
    message(FATAL_ERROR "${source}: the line `orchestra_dir=` must read `orchestra_dir=../orchestra`")
  endif()
  string(REPLACE "\norchestra_dir=../orchestra\n" "\norchestra_dir=${dir}\n" text "${text}")
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/installed/${name} "${text}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  install(PROGRAMS ${CMAKE_CURRENT_BINARY_DIR}/installed/${name}
          DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

speechscore_install_script(${CMAKE_CURRENT_SOURCE_DIR}/plot/speechscore_plot.py speechscore-plot)
