# Read by cpack once for each generator: what each package holds, as the
# install components (see tool/CMakeLists.txt, library/CMakeLists.txt and
# debian.cmake) installed together into one tree.
#   program: the dynamic programs (the .deb's; the .zip's, with the DLL)
#   static:  the static programs (the .tar.gz and the .rpm)
#   docs:    the man pages and the README (every package)
#   licence: LICENSE (all but the .debs, whose copyright files hold it)
#   debian:  the copyright file and the changelog (the programs' .deb)
#   deb_python: the Python package (the .deb python3-crc16)
#   VARIANT_library, VARIANT_development: the shared library, and what
#            builds against it, laid out for the package: plain (the .zip),
#            archive (the .tar.gz: the static library only), deb, rpm
# The .debs and the .rpms are split, a package for each group of
# components: the programs, the shared library, the development files,
# and in the .debs the Python package.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(components program docs debian deb_library deb_development)
  # The Python package, where this build made it (python/CMakeLists.txt).
  if(CPACK_CRC16_PYTHON_FILE)
    list(APPEND components deb_python)
  endif()
elseif(CPACK_GENERATOR STREQUAL "RPM")
  set(components static docs licence rpm_library rpm_development)
elseif(CPACK_GENERATOR STREQUAL "ZIP")
  set(components program docs licence plain_library plain_development)
else()
  set(components static docs licence archive_development)
endif()
if(CPACK_GENERATOR MATCHES "^(DEB|RPM)$")
  string(TOLOWER ${CPACK_GENERATOR} variant)
  set(CPACK_${CPACK_GENERATOR}_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_GROUPING ONE_PER_GROUP)
  set(CPACK_COMPONENTS_ALL ${components})
  foreach(component IN LISTS components)
    string(TOUPPER ${component} upper)
    if(component MATCHES "_library$")
      set(CPACK_COMPONENT_${upper}_GROUP library)
    elseif(component MATCHES "_development$")
      set(CPACK_COMPONENT_${upper}_GROUP development)
    elseif(component STREQUAL deb_python)
      set(CPACK_COMPONENT_${upper}_GROUP python)
    else()
      set(CPACK_COMPONENT_${upper}_GROUP programs)
    endif()
  endforeach()
  set(CPACK_INSTALL_CMAKE_PROJECTS ${CPACK_CRC16_BINARY_DIR} crc16 ALL /)
  # Each package's own summary heads its description (debian.cmake, rpm.cmake).
  unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)
else()
  set(CPACK_INSTALL_CMAKE_PROJECTS)
  foreach(component IN LISTS components)
    list(APPEND CPACK_INSTALL_CMAKE_PROJECTS ${CPACK_CRC16_BINARY_DIR} crc16 ${component} /)
  endforeach()
endif()

# The shared library's dependencies, as dpkg-shlibdeps works them out from
# it, against the target's C library (see debian.cmake).
if(CPACK_GENERATOR STREQUAL "DEB")
  set(shlibdeps ${CPACK_TOPLEVEL_DIRECTORY}/library-shlibdeps)
  file(MAKE_DIRECTORY ${shlibdeps}/debian)
  file(TOUCH ${shlibdeps}/debian/control)
  execute_process(COMMAND ${CPACK_CRC16_DPKG_SHLIBDEPS} -O ${CPACK_CRC16_LIBRARY_FILE}
    WORKING_DIRECTORY ${shlibdeps} OUTPUT_VARIABLE found RESULT_VARIABLE status ERROR_VARIABLE error)
  if(NOT status EQUAL 0 OR NOT found MATCHES "^shlibs:Depends=([^\n]+)")
    message(FATAL_ERROR "dpkg-shlibdeps found no dependencies of ${CPACK_CRC16_LIBRARY_FILE}: ${error}")
  endif()
  set(CPACK_DEBIAN_LIBRARY_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
  # The Python package's, the shared library among them, by the shlibs file
  # that its package carries (library/CMakeLists.txt), and the Pythons
  # whose stable ABI the extension is built for.
  if(CPACK_CRC16_PYTHON_FILE)
    file(COPY_FILE ${CPACK_CRC16_BINARY_DIR}/library/shlibs ${shlibdeps}/debian/shlibs.local)
    execute_process(COMMAND ${CPACK_CRC16_DPKG_SHLIBDEPS} -O -l${CPACK_CRC16_BINARY_DIR}/library ${CPACK_CRC16_PYTHON_FILE}
      WORKING_DIRECTORY ${shlibdeps} OUTPUT_VARIABLE found RESULT_VARIABLE status ERROR_VARIABLE error)
    if(NOT status EQUAL 0 OR NOT found MATCHES "^shlibs:Depends=([^\n]+)")
      message(FATAL_ERROR "dpkg-shlibdeps found no dependencies of ${CPACK_CRC16_PYTHON_FILE}: ${error}")
    endif()
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "${CMAKE_MATCH_1}, python3 (>= 3.11~)")
  endif()
endif()

# Every member of every package is dated by the source date the build took
# (see cmake/reproducible.cmake), unless the packer is given one itself.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} ${CPACK_CRC16_SOURCE_DATE_EPOCH})
endif()
# The .zip keeps its members' times in local time: the same for everyone in UTC.
set(ENV{TZ} UTC0)
