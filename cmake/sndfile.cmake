# libsndfile for the programs that read rendered sound (the acoustic tests, the rendering
# benchmark): sets SPEECHSCORE_SNDFILE (what to link) and SPEECHSCORE_SNDFILE_INCLUDE (where
# sndfile.h is, when pkg-config does not say). apt-get install libsndfile1-dev.
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(SNDFILE QUIET IMPORTED_TARGET sndfile)
endif()
if(TARGET PkgConfig::SNDFILE)
  set(SPEECHSCORE_SNDFILE PkgConfig::SNDFILE)
else()
  find_library(SPEECHSCORE_SNDFILE sndfile)
  find_path(SPEECHSCORE_SNDFILE_INCLUDE sndfile.h)
  if(NOT SPEECHSCORE_SNDFILE OR NOT SPEECHSCORE_SNDFILE_INCLUDE)
    message(FATAL_ERROR "Reading rendered sound needs libsndfile: apt-get install libsndfile1-dev")
  endif()
endif()
