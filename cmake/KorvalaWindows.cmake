# Windows x64 target (cross-compiled with cmake/mingw-w64-x86_64.cmake):
# resources, static linking, the target's zlib and libpng, GoogleTest built
# for the target, and Wine as the emulator through which CTest runs the .exe
# tests. Included by the top-level CMakeLists.txt before any target exists,
# since the emulator and link options are taken when a target is created.

enable_language(RC)

# Everything is linked statically: the module and the programs must not need
# the MinGW C++ run-time DLLs beside them.
add_link_options(-static)

# glibc's <cmath> offers M_PI and friends to g++ in any language mode;
# mingw-w64's only on request. Both targets compile the same code.
add_compile_definitions(_USE_MATH_DEFINES)

set(KORVALA_MINGW_SYSROOT /usr/x86_64-w64-mingw32)

# zlib from libz-mingw-w64-dev, named as the archive itself: -lz would pick
# the import library libz.dll.a.
set(KORVALA_ZLIB_ARCHIVE ${KORVALA_MINGW_SYSROOT}/lib/libz.a)
if(NOT EXISTS ${KORVALA_ZLIB_ARCHIVE})
  message(FATAL_ERROR "${KORVALA_ZLIB_ARCHIVE} is missing: install libz-mingw-w64-dev (tools/setup.sh)")
endif()
add_library(ZLIB::ZLIB STATIC IMPORTED)
set_target_properties(ZLIB::ZLIB PROPERTIES
  IMPORTED_LOCATION ${KORVALA_ZLIB_ARCHIVE}
  INTERFACE_INCLUDE_DIRECTORIES ${KORVALA_MINGW_SYSROOT}/include)

# libpng built from Debian's source package by tools/win/build-libpng.sh and
# kept in the build folder; built once, at the first configure.
set(KORVALA_WIN_DEPS ${CMAKE_BINARY_DIR}/deps)
set(KORVALA_PNG_ARCHIVE ${KORVALA_WIN_DEPS}/libpng/lib/libpng16.a)
if(NOT EXISTS ${KORVALA_PNG_ARCHIVE})
  message(STATUS "Building libpng for the target into ${KORVALA_WIN_DEPS}")
  execute_process(
    COMMAND bash ${PROJECT_SOURCE_DIR}/tools/win/build-libpng.sh ${KORVALA_WIN_DEPS}
    RESULT_VARIABLE _png_result)
  if(NOT _png_result EQUAL 0 OR NOT EXISTS ${KORVALA_PNG_ARCHIVE})
    message(FATAL_ERROR "tools/win/build-libpng.sh failed (${_png_result})")
  endif()
endif()
add_library(PNG::PNG STATIC IMPORTED)
set_target_properties(PNG::PNG PROPERTIES
  IMPORTED_LOCATION ${KORVALA_PNG_ARCHIVE}
  INTERFACE_INCLUDE_DIRECTORIES ${KORVALA_WIN_DEPS}/libpng/include
  INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)

# The panel images as a resource object, linked into the module.
set(KORVALA_RESOURCE_SCRIPT ${PROJECT_SOURCE_DIR}/resources/BraskoKorvala.rc)
file(GLOB KORVALA_RESOURCE_IMAGES ${PROJECT_SOURCE_DIR}/resources/img/*.png)
set_property(SOURCE ${KORVALA_RESOURCE_SCRIPT} APPEND PROPERTY OBJECT_DEPENDS ${KORVALA_RESOURCE_IMAGES})

# CTest and gtest discovery run target programs through Wine, in a prefix
# private to this build folder.
find_program(KORVALA_BASH bash REQUIRED)
set(KORVALA_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${KORVALA_BASH} ${PROJECT_SOURCE_DIR}/tools/win/wine-run.sh ${KORVALA_WINEPREFIX})

# GoogleTest for the target, from Debian's googletest sources.
if(KORVALA_TESTS)
  set(KORVALA_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
  if(NOT EXISTS ${KORVALA_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "${KORVALA_GTEST_SOURCE} is missing: install googletest (tools/setup.sh)")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${KORVALA_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(_gtest_target gtest gtest_main gmock gmock_main)
    # Third-party code: its warnings are not ours to fail on.
    target_compile_options(${_gtest_target} PRIVATE -w)
  endforeach()
  if(NOT TARGET GTest::gmock)
    add_library(GTest::gmock ALIAS gmock)
  endif()
endif()
