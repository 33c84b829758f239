# The same bytes whoever builds crc16, wherever and whenever: nothing of the
# build's time, folder, user, umask or time zone goes into a program or a
# package.

# One date for everything stamped into a package: the builder's
# SOURCE_DATE_EPOCH where it is set, otherwise the date of the newest entry
# of the changelog, as Debian's own tools take it. Set in the environment
# here, it dates the man page (string(TIMESTAMP) reads it); the packer is
# handed it in cmake/cpack_generators.cmake.
#
# The changelog's date is in the form "Wed, 09 Dec 2026 12:00:00 +0000",
# turned into seconds since 1970 here, with no help from a date tool.
function(crc16_changelog_epoch out)
  file(STRINGS ${PROJECT_SOURCE_DIR}/changelog trailer REGEX "^ -- .*>  " LIMIT_COUNT 1)
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  if(NOT trailer MATCHES ">  [A-Z][a-z][a-z], ([0-9]+) ([A-Z][a-z][a-z]) ([0-9]+) ([0-9]+):([0-9]+):([0-9]+) ([+-])([0-9][0-9])([0-9][0-9])$")
    message(FATAL_ERROR "changelog: no date of the form 'Wed, 09 Dec 2026 12:00:00 +0000' in '${trailer}'")
  endif()
  set(day ${CMAKE_MATCH_1})
  set(year ${CMAKE_MATCH_3})
  list(FIND months ${CMAKE_MATCH_2} month)
  math(EXPR month "${month} + 1")
  # Days since 1970-01-01 of a date in the proleptic Gregorian calendar,
  # counted from a year that starts in March, so that February comes last.
  if(month LESS_EQUAL 2)
    math(EXPR year "${year} - 1")
    math(EXPR march_month "${month} + 9")
  else()
    math(EXPR march_month "${month} - 3")
  endif()
  math(EXPR era "${year} / 400")
  math(EXPR year_of_era "${year} - ${era} * 400")
  math(EXPR day_of_year "(153 * ${march_month} + 2) / 5 + ${day} - 1")
  math(EXPR day_of_era "${year_of_era} * 365 + ${year_of_era} / 4 - ${year_of_era} / 100 + ${day_of_year}")
  math(EXPR days "${era} * 146097 + ${day_of_era} - 719468")
  math(EXPR epoch "${days} * 86400 + ${CMAKE_MATCH_4} * 3600 + ${CMAKE_MATCH_5} * 60 + ${CMAKE_MATCH_6}
    ${CMAKE_MATCH_7} -(${CMAKE_MATCH_8} * 3600 + ${CMAKE_MATCH_9} * 60)")
  set(${out} ${epoch} PARENT_SCOPE)
endfunction()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(CRC16_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  crc16_changelog_epoch(CRC16_SOURCE_DATE_EPOCH)
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

# Gzipped documents: the same bytes from every builder (cmake/gzip.cmake).
function(crc16_gzip input output)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -P ${PROJECT_SOURCE_DIR}/cmake/gzip.cmake
    DEPENDS ${input} ${PROJECT_SOURCE_DIR}/cmake/gzip.cmake)
endfunction()

# Nothing in a package by the packer's umask: every folder cpack installs
# into is made rwxr-xr-x, and once the packages are made, a .deb's members
# get the modes dpkg-deb gives them (cmake/cpack_umask.cmake).
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/cpack_umask.cmake)

# A SHA-256 file beside each package, to check a download or a rebuild by.
set(CPACK_PACKAGE_CHECKSUM SHA256)
