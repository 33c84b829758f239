# Cross-compiles the Windows console program with mingw-w64 for CRC16_TARGET
# (i686-w64-mingw32 or x86_64-w64-mingw32, set by the preset), with the POSIX
# thread model that the test framework needs, and runs what it builds under
# Wine's loader for that width: wine for 32-bit programs, wine64 for 64-bit
# ones. The loader is called directly: the `wine` wrapper picks the 32-bit
# loader whenever it is installed, which cannot start a 64-bit program, nor
# anything at all on a host that runs no 32-bit x86 code.
if(NOT CRC16_TARGET MATCHES "^(i686|x86_64)-w64-mingw32$")
  message(FATAL_ERROR "Set CRC16_TARGET to i686-w64-mingw32 or x86_64-w64-mingw32")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CRC16_TARGET)

set(CMAKE_SYSTEM_NAME Windows)
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR ${CRC16_TARGET})

set(CMAKE_C_COMPILER ${CRC16_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CRC16_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${CRC16_TARGET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CRC16_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Debian keeps both loaders in /usr/lib/wine, ahead of PATH (where its
# `wine` is the wrapper); elsewhere they are on PATH.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL x86_64)
  set(wine_loader wine64)
else()
  set(wine_loader wine)
endif()
find_program(CRC16_WINE_LOADER ${wine_loader} HINTS /usr/lib/wine)
find_program(CRC16_WINESERVER wineserver HINTS /usr/lib/wine)
if(CRC16_WINE_LOADER)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CRC16_WINE_LOADER})
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${wine_loader})
endif()
