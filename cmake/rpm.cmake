# The .rpm, for the distributions that install those: the static program,
# the man page, the README and LICENSE, with the .deb's summary and
# description. It owns only its own files and its documents' folder, and,
# like every package here, has the same bytes whoever builds it.

set(CPACK_RPM_PACKAGE_ARCHITECTURE ${CRC16_RPM_ARCH}) # cmake/architecture.cmake
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP "Applications/File")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_RELOCATABLE OFF)
# The static program needs nothing installed, not even the dynamic loader
# that rpm would infer from its symbol table.
set(CPACK_RPM_PACKAGE_AUTOREQ OFF)
# The standard folders belong to the system's own packages.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/share/man /usr/share/man/man1)

# The changelog's newest entry, in rpm's form, dated by the source date
# (cmake/reproducible.cmake):
#   * Wed Dec 09 2026 Name <address> - 1.0.0.1-1
#   - First release: ...
file(STRINGS ${PROJECT_SOURCE_DIR}/changelog entry)
string(TIMESTAMP entry_date "%a %b %d %Y" UTC)
set(rpm_changelog "")
foreach(line IN LISTS entry)
  if(line MATCHES "^  \\* (.*)")
    string(APPEND rpm_changelog "- ${CMAKE_MATCH_1}\n")
  elseif(line MATCHES "^    (.*)")
    string(APPEND rpm_changelog "  ${CMAKE_MATCH_1}\n")
  elseif(line MATCHES "^ -- (.*)  ")
    string(PREPEND rpm_changelog "* ${entry_date} ${CMAKE_MATCH_1} - ${PROJECT_VERSION}-1\n")
    break()
  endif()
endforeach()
file(WRITE ${PROJECT_BINARY_DIR}/rpm-changelog "${rpm_changelog}")
set(CPACK_RPM_CHANGELOG_FILE ${PROJECT_BINARY_DIR}/rpm-changelog)

# What rpmbuild would add or change on its own: no build-id links under
# /usr/lib/.build-id, no debug package, and none of its post-install steps
# (the program is stripped already, and its strip may not know the target's
# architecture). The build time is the source date, the build host a fixed
# name, files newer than the source date are dated by it, and the payload is
# compressed the same way everywhere.
set(CPACK_RPM_SPEC_MORE_DEFINE "%define packager ${CRC16_MAINTAINER}
%define _build_id_links none
%define debug_package %{nil}
%define __spec_install_post %{nil}
%define __os_install_post %{nil}
%define use_source_date_epoch_as_buildtime 1
%define clamp_mtime_to_source_date_epoch 1
%define _buildhost reproducible
%define _binary_payload w9.gzdio")

# Split as those distributions split a library's source: crc16, the static
# programs; crc16-libs, the shared library, in lib64 on 64-bit systems; and
# crc16-devel, what a program is built against. Each is made of the install
# components of one group (cmake/cpack_generators.cmake). The shared
# library's requirements are worked out by rpm, so that it states the C
# library it needs; the static programs need none.
set(CPACK_RPM_PROGRAMS_PACKAGE_NAME crc16)
set(CPACK_RPM_LIBRARY_PACKAGE_NAME crc16-libs)
set(CPACK_RPM_DEVELOPMENT_PACKAGE_NAME crc16-devel)
set(CPACK_RPM_LIBRARY_PACKAGE_AUTOREQ ON)
set(CPACK_RPM_DEVELOPMENT_PACKAGE_AUTOREQ ON)
set(CPACK_RPM_LIBRARY_PACKAGE_GROUP "System Environment/Libraries")
set(CPACK_RPM_DEVELOPMENT_PACKAGE_GROUP "Development/Libraries")
# The shared library, by its package and by its soname, as rpm names a
# 64-bit one.
set(soname_requirement libcrc16.so.1)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  string(APPEND soname_requirement "()(64bit)")
endif()
set(CPACK_RPM_DEVELOPMENT_PACKAGE_REQUIRES "crc16-libs%{?_isa} = %{version}, ${soname_requirement}")
# The linker's cache made again once the library is installed or removed.
file(WRITE ${PROJECT_BINARY_DIR}/rpm-ldconfig "/sbin/ldconfig\n")
set(CPACK_RPM_LIBRARY_POST_INSTALL_SCRIPT_FILE ${PROJECT_BINARY_DIR}/rpm-ldconfig)
set(CPACK_RPM_LIBRARY_POST_UNINSTALL_SCRIPT_FILE ${PROJECT_BINARY_DIR}/rpm-ldconfig)
list(APPEND CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/lib64/pkgconfig /usr/lib/pkgconfig /usr/lib64/cmake
  /usr/lib/cmake /usr/share/man/man3)
