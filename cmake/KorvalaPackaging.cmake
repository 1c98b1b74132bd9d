# What cmake --install puts where, and the two release packages made from
# it with CPack (tools/package.sh drives both):
#
#   Linux    braskokorvala_<version>_<arch>.deb   (CPack DEB, prefix /usr)
#            lib/vst/BraskoKorvala.so          the plug-in (plugin/CMakeLists.txt)
#            bin/korvala-host                  our host
#            share/man/man1/korvala-host.1.gz  its manual page, from its --help
#            share/doc/braskokorvala/          README.md.gz, copyright, changelog.gz
#            share/braskokorvala/presets/      factory presets (resources/presets/*.fxp)
#   Windows  BraskoKorvala-<version>-win64.zip (CPack ZIP)
#            BraskoKorvala.dll, korvala-host.exe, README.txt side by side
#
# The version is project(VERSION) everywhere: package, archive, --version.
# korvala-host finds the presets at <its folder>/../share/braskokorvala/presets,
# so the bin and share folders keep that relation under any prefix.

set(KORVALA_PACKAGE_MAINTAINER "Brasko <brasko@example.org>" CACHE STRING
    "Maintainer field of the Debian package")

set(KORVALA_PACKAGE_FILES "${PROJECT_BINARY_DIR}/package-files")
# Installing and packaging take what is built and build nothing more: the
# package holds a handful of targets (tools/package.sh builds exactly those),
# and the whole tree with its tests is many minutes on a small machine.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

if(WIN32)
  # The install tree is the archive's content; by default it stays in the
  # build folder (build/windows/install), as nothing here runs on this machine.
  if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
    set(CMAKE_INSTALL_PREFIX "${PROJECT_BINARY_DIR}/install" CACHE PATH "Install prefix" FORCE)
  endif()
  if(TARGET korvala-host)
    install(TARGETS korvala-host RUNTIME DESTINATION .)
  endif()
  # Notepad and every other Windows editor read CRLF.
  configure_file(${PROJECT_SOURCE_DIR}/packaging/README-windows.txt.in
                 ${KORVALA_PACKAGE_FILES}/README.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${KORVALA_PACKAGE_FILES}/README.txt DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME BraskoKorvala)
  set(CPACK_PACKAGE_FILE_NAME "BraskoKorvala-${PROJECT_VERSION}-win64")
  # Unpacking makes one folder named like the archive.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  find_program(KORVALA_GZIP gzip)
  # korvala_gzip(SOURCE OUTPUT): OUTPUT is SOURCE compressed at build time the
  # way Debian compresses documentation (gzip -9n: no name, no time stamp).
  function(korvala_gzip source output)
    add_custom_command(
      OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -DINPUT=${source} -DOUTPUT=${output} -DGZIP=${KORVALA_GZIP}
              -P ${PROJECT_SOURCE_DIR}/cmake/KorvalaGzip.cmake
      DEPENDS ${source} ${PROJECT_SOURCE_DIR}/cmake/KorvalaGzip.cmake
      VERBATIM)
  endfunction()

  set(doc_dir share/doc/braskokorvala)
  set(package_outputs "")
  if(KORVALA_GZIP)
    korvala_gzip(${PROJECT_SOURCE_DIR}/README.md ${KORVALA_PACKAGE_FILES}/README.md.gz)
    korvala_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog ${KORVALA_PACKAGE_FILES}/changelog.gz)
    list(APPEND package_outputs ${KORVALA_PACKAGE_FILES}/README.md.gz
                                ${KORVALA_PACKAGE_FILES}/changelog.gz)
    install(FILES ${KORVALA_PACKAGE_FILES}/README.md.gz ${KORVALA_PACKAGE_FILES}/changelog.gz
                  ${PROJECT_SOURCE_DIR}/packaging/copyright
            DESTINATION ${doc_dir})
  else()
    install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/packaging/copyright
            DESTINATION ${doc_dir})
  endif()

  if(TARGET korvala-host)
    install(TARGETS korvala-host RUNTIME DESTINATION bin)
    # The manual page is written by running the host just built: native builds only.
    if(NOT CMAKE_CROSSCOMPILING AND KORVALA_GZIP)
      set(man_page ${KORVALA_PACKAGE_FILES}/korvala-host.1)
      add_custom_command(
        OUTPUT ${man_page}
        COMMAND ${CMAKE_COMMAND} -DHOST=$<TARGET_FILE:korvala-host> -DOUTPUT=${man_page}
                -P ${PROJECT_SOURCE_DIR}/cmake/KorvalaManPage.cmake
        DEPENDS korvala-host ${PROJECT_SOURCE_DIR}/cmake/KorvalaManPage.cmake
        VERBATIM)
      korvala_gzip(${man_page} ${man_page}.gz)
      list(APPEND package_outputs ${man_page} ${man_page}.gz)
      install(FILES ${man_page}.gz DESTINATION share/man/man1)
    endif()
  endif()
  add_custom_target(korvala_package_files ALL DEPENDS ${package_outputs})

  # Factory presets present when the tree is configured.
  # presets.txt goes with them: korvala-host presets reads the names and
  # descriptions from it.
  file(GLOB korvala_presets CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/presets/*.fxp
                                              ${PROJECT_SOURCE_DIR}/resources/presets/presets.txt)
  if(korvala_presets)
    install(FILES ${korvala_presets} DESTINATION share/braskokorvala/presets)
  endif()

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME braskokorvala)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_PACKAGE_NAME braskokorvala)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KORVALA_PACKAGE_MAINTAINER}")
  # Depends: dpkg-shlibdeps on the plug-in and the host, i.e. exactly the
  # libraries they link (libpng, zlib, FreeType, fontconfig, XCB, libsndfile).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # Without the ldconfig scripts CPack adds (the plug-in is not the dynamic
  # linker's business): no maintainer scripts at all.
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/KorvalaDebRepack.cmake)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "stereo compressor plug-in (VST 2)
BraskoKorvala is a stereo compressor for digital audio workstations, loaded
through the VST 2 interface: three switchable models (VCA, vintage FET,
vintage opto), analog emulation, threefold oversampling, a sidechain
high-pass filter, an external sidechain on inputs 3 and 4, and a 552 x 200
editor panel with level and gain-reduction meters.
.
The plug-in is installed in /usr/lib/vst, where Ardour, Carla and other
Linux hosts look for VST 2 plug-ins without configuration. The package also
holds korvala-host, a command-line VST 2 host that prints a plug-in's
properties, renders WAV files through it and times it.")
endif()

# Symbols out (the code stays as built: the CI step compares the installed
# plug-in's output with the build tree's).
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_VENDOR Brasko)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${KORVALA_PACKAGE_MAINTAINER}")
set(CPACK_OUTPUT_FILE_PREFIX "${PROJECT_BINARY_DIR}/packages")
include(CPack)
