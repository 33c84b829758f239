# Read by cpack once for each generator: what each package holds, as the
# install components (see tool/CMakeLists.txt and debian.cmake) installed
# together into one tree.
#   program: the dynamic program (the .deb; the .zip's only program)
#   static:  the static program (the .tar.gz and the .rpm)
#   docs:    the man page and the README (every package)
#   licence: LICENSE (all but the .deb, whose copyright file holds it)
#   debian:  the copyright file and the changelog (the .deb)
if(CPACK_GENERATOR STREQUAL "DEB")
  set(components program docs debian)
elseif(CPACK_GENERATOR STREQUAL "ZIP")
  set(components program docs licence)
else()
  set(components static docs licence)
endif()
set(CPACK_INSTALL_CMAKE_PROJECTS)
foreach(component IN LISTS components)
  list(APPEND CPACK_INSTALL_CMAKE_PROJECTS ${CPACK_CRC16_BINARY_DIR} crc16 ${component} /)
endforeach()

# Every member of every package is dated by the source date the build took
# (see cmake/reproducible.cmake), unless the packer is given one itself.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} ${CPACK_CRC16_SOURCE_DATE_EPOCH})
endif()
# The .zip keeps its members' times in local time: the same for everyone in UTC.
set(ENV{TZ} UTC0)
