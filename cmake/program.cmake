# crc16_add_program(NAME LIBRARY...): the program NAME, from main.cpp and the
# man page NAME.1.in of the folder that calls it, linked against LIBRARY...
# and the stack protector's canary (stack_guard/).
# main.cpp is compiled once, for the program and for its static twin.
#
# On Windows: a console program with the runtimes inside, a version record
# and a manifest of its own, installed for the .zip. Elsewhere: the dynamic
# program (the .deb's, and a plain install's), linked against the system's C
# library as a distribution's own programs are; the gzipped man page; and
# the static program of the .tar.gz and the .rpm, which must run on any Linux
# of its architecture, whatever C library it has or lacks, where the
# toolchain can link one (CRC16_STATIC_LINK above).
# Whether the static twins can be made, tried once as they are linked: with
# the flags in use (a builder's CMAKE_CXX_FLAGS among them), threads, and
# --fatal-warnings where the linker takes it, so that a C library's warning
# that a function it pulled in would load parts of itself at run time, which
# a static program cannot count on, fails the probe as it would the link (GNU
# ld reports that; lld does not). Position-independent (static-pie) where the
# C library has the start-up code for it, plain static where not (Debian's
# 32-bit ARM cross C library). Under the sanitizers, whose run-time
# libraries are shared, there are none.
set(CRC16_STATIC_LINK "")
if(NOT WIN32 AND NOT CRC16_SANITIZED)
  check_linker_flag(CXX -Wl,--fatal-warnings crc16_links_fatal_warnings)
  foreach(mode IN ITEMS static-pie static)
    set(CMAKE_REQUIRED_LINK_OPTIONS -${mode})
    if(crc16_links_fatal_warnings)
      list(APPEND CMAKE_REQUIRED_LINK_OPTIONS -Wl,--fatal-warnings)
    endif()
    string(MAKE_C_IDENTIFIER "crc16_static_link_probe_${mode}" known)
    check_cxx_source_compiles("#include <thread>
int main() { std::thread worker([] {}); worker.join(); return 0; }" ${known})
    unset(CMAKE_REQUIRED_LINK_OPTIONS)
    if(${known})
      set(CRC16_STATIC_LINK -${mode})
      break()
    endif()
  endforeach()
endif()

function(crc16_add_program name)
  add_library(${name}_main OBJECT main.cpp)
  target_link_libraries(${name}_main PRIVATE ${ARGN} crc16_build_options)
  add_executable(${name})
  target_link_libraries(${name} PRIVATE ${name}_main ${ARGN} stack_guard crc16_build_options)

  if(WIN32)
    # The version record and the manifest, both from the project's version;
    # the manifest names the program's processor as Windows does.
    set(program ${name})
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      set(CRC16_MANIFEST_ARCH amd64)
    else()
      set(CRC16_MANIFEST_ARCH x86)
    endif()
    configure_file(${PROJECT_SOURCE_DIR}/cmake/program.manifest.in ${name}.manifest @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/program.rc.in ${name}.rc @ONLY)
    target_sources(${name} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${name}.rc)
    # wmain takes the command line as UTF-16.
    target_link_options(${name} PRIVATE -municode)
    install(TARGETS ${name} RUNTIME DESTINATION . COMPONENT program)
    return()
  endif()

  # The man page's date: the source date (cmake/reproducible.cmake).
  string(TIMESTAMP CRC16_MAN_DATE "%Y-%m-%d" UTC)
  configure_file(${name}.1.in ${name}.1 @ONLY)
  crc16_gzip(${CMAKE_CURRENT_BINARY_DIR}/${name}.1 ${CMAKE_CURRENT_BINARY_DIR}/${name}.1.gz)
  add_custom_target(${name}_man ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${name}.1.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${name}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT docs)
  install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)

  if(NOT CRC16_STATIC_LINK)
    message(STATUS "No static ${name}: the .tar.gz carries the dynamic one")
    install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT static EXCLUDE_FROM_ALL)
    return()
  endif()
  add_executable(${name}_static)
  target_link_libraries(${name}_static PRIVATE ${name}_main ${ARGN} crc16_build_options)
  # On the link line after the -pie that the options bring, which would undo it.
  target_link_libraries(${name}_static PRIVATE ${CRC16_STATIC_LINK})
  if(crc16_links_fatal_warnings)
    target_link_options(${name}_static PRIVATE -Wl,--fatal-warnings)
  endif()
  # Named like the other, in a folder of its own.
  set_target_properties(${name}_static PROPERTIES OUTPUT_NAME ${name}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/static)
  install(TARGETS ${name}_static RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT static EXCLUDE_FROM_ALL)
endfunction()
