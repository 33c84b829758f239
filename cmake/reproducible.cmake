# The same bytes whoever builds crc16, wherever and whenever: nothing of the
# build's time, folder, user, umask or time zone goes into a program or a
# package.

# One date for everything stamped into a package: the builder's
# SOURCE_DATE_EPOCH where it is set, otherwise the date of the newest entry
# of the changelog, as Debian's own tools take it. Set in the environment
# here, it dates the man page (string(TIMESTAMP) reads it); the packer is
# handed it in cmake/cpack_generators.cmake.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(CRC16_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  file(STRINGS ${PROJECT_SOURCE_DIR}/changelog changelog_trailer REGEX "^ -- .*>  " LIMIT_COUNT 1)
  string(REGEX REPLACE "^ -- .*>  " "" changelog_date "${changelog_trailer}")
  execute_process(COMMAND date --utc --date "${changelog_date}" +%s
    OUTPUT_VARIABLE CRC16_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  set(ENV{SOURCE_DATE_EPOCH} ${CRC16_SOURCE_DATE_EPOCH})
endif()
if(NOT CRC16_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "No source date: SOURCE_DATE_EPOCH or the changelog's newest date gave '${CRC16_SOURCE_DATE_EPOCH}'")
endif()
set(CPACK_CRC16_SOURCE_DATE_EPOCH ${CRC16_SOURCE_DATE_EPOCH})

# Paths in debug information and messages relative to the tree, not to
# wherever it was built; and no link time in the Windows program's header.
target_compile_options(crc16_build_options INTERFACE
  -ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=.)
if(WIN32)
  target_link_options(crc16_build_options INTERFACE -Wl,--no-insert-timestamp)
endif()

# Nothing in a package by the packer's umask.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/cpack_umask.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/cpack_umask.cmake)

# A SHA-256 file beside each package, to check a download or a rebuild by.
set(CPACK_PACKAGE_CHECKSUM SHA256)
