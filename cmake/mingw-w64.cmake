# Builds the Windows program on a Linux machine with Debian's MinGW-w64 cross
# compiler, and runs it (the tests, the sample) under Wine:
#
#   cmake -S . -B build-windows --toolchain cmake/mingw-w64.cmake
#
# (-DQUENDREL_TESTS=OFF builds the two programs and the zip only, without
# GoogleTest and without Wine.)
# The posix thread model of the compiler is the one with std::mutex, which
# GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_mingw x86_64-w64-mingw32)

set(CMAKE_C_COMPILER   ${_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_mingw}-g++-posix)
set(CMAKE_RC_COMPILER  ${_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A static program: it needs only KERNEL32.dll and msvcrt.dll, which every
# Windows has, and no libstdc++-6.dll, libgcc_s_seh-1.dll or libwinpthread-1.dll.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Wine runs the programs (the tests, the sample) when it is installed; the
# programs alone build without it. A wrapper script is written once into the
# build folder (not into the scratch folders of CMake's compiler checks).
find_program(MINGW_WINE NAMES wine wine64)
find_program(MINGW_WINESERVER NAMES wineserver)
get_property(_in_try GLOBAL PROPERTY IN_TRY_COMPILE)
# MINGW_WINE_PREFIX=OFF: no emulator, as without Wine.
if(NOT DEFINED MINGW_WINE_PREFIX)
  set(MINGW_WINE_PREFIX ON)
endif()
if(NOT _in_try AND MINGW_WINE_PREFIX AND MINGW_WINE AND MINGW_WINESERVER)
  set(_wrapper ${CMAKE_BINARY_DIR}/wine-run.sh)
  set(_build ${CMAKE_BINARY_DIR})
  file(CONFIGURE OUTPUT ${_wrapper}.in @ONLY CONTENT [=[#!/bin/sh
# Written by cmake/mingw-w64.cmake: runs a Windows program under Wine with the build's own prefix.
export WINEPREFIX='@_build@/wineprefix'
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml='
# Wine maps Unix file names with the Unix locale's character set: UTF-8, even where LANG is unset.
export LC_ALL=C.UTF-8
# The prefix (Wine's Windows folder tree, some 700 MB, inside the build
# folder, never in the home folder) is made by the first run that finds it
# missing, under a lock, so that parallel runs wait for one another instead
# of racing to make it; the mark "ready" says it is whole. Wine's processes
# outlive this script, so they are not handed the lock's descriptor.
if [ ! -e "$WINEPREFIX/ready" ]; then
  (
    flock 9 || exit 1
    [ -e "$WINEPREFIX/ready" ] && exit 0
    if [ -t 2 ]; then echo "Making the Wine prefix $WINEPREFIX (once, some 700 MB)" >&2; fi
    '@MINGW_WINE@' wineboot --init </dev/null >/dev/null 2>&1 9>&- &&
      '@MINGW_WINESERVER@' -w 9>&- && : > "$WINEPREFIX/ready"
  ) 9>'@_build@/wineprefix.lock' ||
    { echo "wine-run.sh: could not make the Wine prefix $WINEPREFIX" >&2; exit 1; }
fi
# Wine's background services inherit the standard streams of the process that
# starts a Wine session; were that a pipe of ctest, ctest would wait about 3 s
# per test for them to end. So the session is started detached, and kept 30 s.
if '@MINGW_WINESERVER@' -p30 </dev/null >/dev/null 2>&1; then
  '@MINGW_WINE@' cmd /c exit </dev/null >/dev/null 2>&1
fi
exec '@MINGW_WINE@' "$@"
]=])
  file(COPY_FILE ${_wrapper}.in ${_wrapper} ONLY_IF_DIFFERENT)
  file(REMOVE ${_wrapper}.in)
  file(CHMOD ${_wrapper} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
       GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${_wrapper})
endif()
