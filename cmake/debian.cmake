# What a native install on a Debian-like system carries besides the program:
# gzipped documents (the man page, the changelog) and, for the .deb, the
# copyright file in the machine-readable format, with the licence text from
# LICENSE, and the changelog, both under /usr/share/doc/crc16.

# The licence's terms, without its title and copyright line, in the
# copyright file's form: each line indented by one space, "." for a blank one.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
string(FIND "${licence}" "Permission is hereby granted" terms_start)
string(SUBSTRING "${licence}" ${terms_start} -1 licence_terms)
string(STRIP "${licence_terms}" licence_terms)
string(REPLACE "\n\n" "\n.\n" licence_terms "${licence_terms}")
string(REPLACE "\n" "\n " licence_terms " ${licence_terms}")
file(WRITE ${PROJECT_BINARY_DIR}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: crc16

Files: *
Copyright: 2026 The crc16 developers
License: Expat
${licence_terms}
")

crc16_gzip(${PROJECT_SOURCE_DIR}/changelog ${PROJECT_BINARY_DIR}/changelog.gz)
add_custom_target(debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/copyright ${PROJECT_BINARY_DIR}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian)

# The target's architecture, which a cross build does not share with the
# machine it runs on (cmake/architecture.cmake).
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${CRC16_DEB_ARCH})

# The .debs, split as Debian splits a library's source: crc16, the
# programs; libcrc16-1, the shared library, in the folder of the target's
# architecture, so that the twins of several architectures install side by
# side (Multi-Arch: same); and libcrc16-dev, what a program is built
# against; and python3-crc16, the Python package (python/), for every
# Python 3 from 3.11 on. Each is made of the install components of one group
# (cmake/cpack_generators.cmake), and carries the copyright file and the
# changelog in its own folder.
# The folder of the target's architecture, as Debian names it
# (/usr/lib/aarch64-linux-gnu), asked of dpkg-dev: a cross compiler does not
# always say it.
execute_process(COMMAND dpkg-architecture -a${CRC16_DEB_ARCH} -qDEB_HOST_MULTIARCH
  OUTPUT_VARIABLE CRC16_DEB_MULTIARCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME crc16)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libcrc16-1)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libcrc16-dev)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-crc16)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
foreach(package IN ITEMS libcrc16-1 libcrc16-dev python3-crc16)
  if(package STREQUAL libcrc16-1)
    set(component deb_library)
  elseif(package STREQUAL libcrc16-dev)
    set(component deb_development)
  else()
    set(component deb_python)
  endif()
  install(FILES ${PROJECT_BINARY_DIR}/copyright ${PROJECT_BINARY_DIR}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libcrc16-1 (= ${PROJECT_VERSION})")
# CPack 3.25 writes no Multi-Arch field: it follows the Source field, a line
# of its own.
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SOURCE "crc16\nMulti-Arch: same")
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SOURCE crc16)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SOURCE crc16)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SOURCE crc16)

# The shared library's control files, made in library/: the trigger that
# runs ldconfig once the package is unpacked, and the symbols and shlibs
# files.
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA
  ${PROJECT_BINARY_DIR}/library/symbols ${PROJECT_BINARY_DIR}/library/shlibs
  ${PROJECT_BINARY_DIR}/library/triggers)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The library's dependencies are worked out by dpkg-shlibdeps as the
# programs' are, but as it is packed (cmake/cpack_generators.cmake), not
# by CPack, which would add calls of ldconfig to the maintainer scripts
# that the trigger replaces.
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SHLIBDEPS OFF)
# The Python package's too: its extension needs the shared library, which
# no installed package holds yet.
set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS OFF)
set(CPACK_CRC16_DPKG_SHLIBDEPS ${CRC16_DPKG_SHLIBDEPS})
