# Cross-builds the program for 64-bit Windows with Debian's MinGW-w64 (posix threads, which
# std::thread needs). Qt for the target comes from CMAKE_PREFIX_PATH (see docs/windows.md);
# its host tools (moc, rcc, uic) from QT_HOST_PATH, Debian's own Qt of the same version.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_dimrix_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_dimrix_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_dimrix_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_dimrix_mingw}-windres)

# Target libraries and packages come only from the MinGW sysroot and the Windows Qt; the
# programs run at build time (moc, rcc) are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${_dimrix_mingw} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
