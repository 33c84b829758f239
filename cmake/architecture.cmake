# The target's architecture, from what the compiler itself defines, whatever
# tools the build machine has: Debian's name for it (CRC16_DEB_ARCH), rpm's
# (CRC16_RPM_ARCH). The .tar.gz carries the Debian name in its own, so that
# the packages of several architectures can stand in one folder.
include(CheckCXXSourceCompiles)

# Each row: Debian's name, rpm's, and the condition on the compiler's macros.
set(crc16_architectures
  "amd64|x86_64|defined(__x86_64__)"
  "arm64|aarch64|defined(__aarch64__)"
  "armhf|armv7hl|defined(__arm__) && defined(__ARM_PCS_VFP) && __ARM_ARCH >= 7"
  "armel|armv5tel|defined(__arm__) && !defined(__ARM_PCS_VFP)"
  "i386|i686|defined(__i386__)"
  "s390x|s390x|defined(__s390x__)"
  "ppc64el|ppc64le|defined(__powerpc64__) && defined(__LITTLE_ENDIAN__)"
  "riscv64|riscv64|defined(__riscv) && __riscv_xlen == 64")
foreach(row IN LISTS crc16_architectures)
  string(REPLACE "|" ";" row "${row}")
  list(GET row 0 deb_name)
  list(GET row 1 rpm_name)
  list(GET row 2 condition)
  check_cxx_source_compiles("#if !(${condition})\n#error other\n#endif\nint main() { return 0; }"
    crc16_targets_${deb_name})
  if(crc16_targets_${deb_name})
    set(CRC16_DEB_ARCH ${deb_name})
    set(CRC16_RPM_ARCH ${rpm_name})
    break()
  endif()
endforeach()
if(NOT CRC16_DEB_ARCH)
  string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}" CRC16_DEB_ARCH)
  set(CRC16_RPM_ARCH ${CRC16_DEB_ARCH})
  message(STATUS "An architecture without a row in cmake/architecture.cmake: packages named ${CRC16_DEB_ARCH}")
endif()
