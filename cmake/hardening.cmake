# Hardening of the project's own programs, on crc16_build_options as the rest
# of their options: what distributions build their programs with.
include(CheckCXXCompilerFlag)

# A canary in every function with an array or an address-taken local, checked
# as it returns.
target_compile_options(crc16_build_options INTERFACE -fstack-protector-strong)

if(WIN32)
  # The compiler's support library would seed the canary from a DLL beyond
  # the two the program imports: the platform layer provides the canary and
  # its failure path instead, so the flag stays off the link line, where it
  # would bring that library in. The program keeps address space layout
  # randomisation and no execution from data pages, stated rather than left
  # to the linker's defaults; a 64-bit program also takes addresses from the
  # whole 64-bit space (high-entropy ASLR).
  target_link_options(crc16_build_options INTERFACE -Wl,--dynamicbase -Wl,--nxcompat
    $<$<EQUAL:${CMAKE_SIZEOF_VOID_P},8>:-Wl,--high-entropy-va>)
  return()
endif()

# Position-independent executables, so that the program loads at a random
# address: CMake adds the compile and link flags to every target that links
# the options.
include(CheckPIESupported)
check_pie_supported()
set_property(TARGET crc16_build_options PROPERTY INTERFACE_POSITION_INDEPENDENT_CODE ON)

# Probes every page of a large stack frame, so that it cannot jump over the
# guard page; and, on x86, the processor's control-flow checks.
target_compile_options(crc16_build_options INTERFACE -fstack-clash-protection)
check_cxx_compiler_flag(-fcf-protection crc16_has_cf_protection)
if(crc16_has_cf_protection)
  target_compile_options(crc16_build_options INTERFACE -fcf-protection)
endif()

# Checked variants of the C library's copy, read and print functions where
# the compiler knows the buffer's size. It needs optimisation (without it the
# compiler warns), and the sanitizers do those checks themselves and better:
# theirs are lost where the checked variants replace the calls they watch.
# Any earlier definition, such as a compiler's built-in one, gives way.
if(NOT CRC16_SANITIZE)
  target_compile_options(crc16_build_options INTERFACE
    "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
endif()

# Relocations read-only once resolved, all of them at start-up.
target_link_options(crc16_build_options INTERFACE -Wl,-z,relro -Wl,-z,now)
