# Read by cpack once for each generator: what each package holds.
# Unspecified: the program, its man page and the README (every package);
# licence: LICENSE (the archives); debian: the files Debian's tools expect
# (the .deb, whose copyright file already holds the licence).
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_COMPONENTS_ALL Unspecified debian)
else()
  set(CPACK_COMPONENTS_ALL Unspecified licence)
endif()
