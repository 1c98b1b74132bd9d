# Cross toolchain for Windows x64 with Debian's mingw-w64.
#
# The -posix compiler variants use the winpthreads threading model, which is
# what std::thread, std::mutex and std::recursive_mutex need; the -win32
# variants build but lack those classes.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KORVALA_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KORVALA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORVALA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KORVALA_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${KORVALA_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${KORVALA_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries and headers for the target come only from the mingw sysroot (and
# from the prefixes the project adds, e.g. its own libpng build); programs
# used during the build are the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/${KORVALA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config must not offer the build machine's libraries (libsndfile, ...)
# to the target: only .pc files of the mingw sysroot count.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${KORVALA_MINGW_TRIPLET}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
