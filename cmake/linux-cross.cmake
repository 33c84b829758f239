# Cross-compiles for another Linux architecture with Debian's cross compiler
# for CRC16_TARGET (a GNU triplet such as aarch64-linux-gnu, set by the
# preset), and runs what it builds under qemu-user. The emulator's -L root,
# where it finds the target's dynamic loader and C library, is where the
# cross compiler's own C library lives: /usr/TRIPLET, from Debian's
# libc6-*-cross packages that the cross compiler depends on.
if(NOT CRC16_TARGET)
  message(FATAL_ERROR "Set CRC16_TARGET to the target's GNU triplet, such as aarch64-linux-gnu")
endif()
# Read again for every check the compiler is put through: keep the triplet.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CRC16_TARGET)

set(CMAKE_SYSTEM_NAME Linux)
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR ${CRC16_TARGET})
set(CMAKE_C_COMPILER ${CRC16_TARGET}-gcc)
set(CMAKE_CXX_COMPILER ${CRC16_TARGET}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${CRC16_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# qemu-user names its emulators by the triplet's first part: qemu-aarch64,
# qemu-arm, qemu-s390x. The target's loader would otherwise read the host's
# library cache and take the libraries that the .deb's build installs for
# that architecture (libc6:arm64, ...) beside its own: a mix under which a
# program's threads never start. LD_LIBRARY_PATH keeps it to its own root.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${CMAKE_SYSTEM_PROCESSOR} -L /usr/${CRC16_TARGET}
  -E LD_LIBRARY_PATH=/usr/${CRC16_TARGET}/lib)
