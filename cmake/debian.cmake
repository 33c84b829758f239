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
