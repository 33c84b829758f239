# find_package(crc16 CONFIG): the target crc16::crc16, the shared library
# where the package has it, else the static one; crc16::crc16_static too,
# where the package has that.
include(${CMAKE_CURRENT_LIST_DIR}/crc16Targets.cmake)
if(NOT TARGET crc16::crc16)
  add_library(crc16::crc16 ALIAS crc16::crc16_static)
endif()
