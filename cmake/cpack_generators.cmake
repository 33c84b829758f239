# Read by cpack once for each generator: what each package holds.
# Unspecified: the program, its man page and the README (every package);
# licence: LICENSE (the archives); debian: the files Debian's tools expect
# (the .deb, whose copyright file already holds the licence).
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_COMPONENTS_ALL Unspecified debian)
else()
  set(CPACK_COMPONENTS_ALL Unspecified licence)
endif()

# Every member of every package is dated by the source date the build took
# (see cmake/reproducible.cmake), unless the packer is given one itself.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} ${CPACK_CRC16_SOURCE_DATE_EPOCH})
endif()
# The .zip keeps its members' times in local time: the same for everyone in UTC.
set(ENV{TZ} UTC0)
