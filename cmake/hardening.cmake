# Hardening of the project's own programs, on crc16_build_options as the rest
# of their options: what distributions build their programs with. Each flag
# is tried first, and used only where the toolchain takes it, so that a
# compiler or linker that lacks one still builds the program.
include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)

# crc16_try_flags(compile|link TARGET SCOPE FLAG...): adds to TARGET's
# compile or link options each flag that the compiler or the linker takes.
function(crc16_try_flags kind target scope)
  foreach(flag IN LISTS ARGN)
    string(MAKE_C_IDENTIFIER "crc16_${kind}${flag}" known)
    if(kind STREQUAL compile)
      check_cxx_compiler_flag(${flag} ${known})
    else()
      check_linker_flag(CXX ${flag} ${known})
    endif()
    if(${known})
      cmake_language(CALL target_${kind}_options ${target} ${scope} ${flag})
    endif()
  endforeach()
endfunction()

# A canary in every function with an array or an address-taken local, checked
# as it returns.
crc16_try_flags(compile crc16_build_options INTERFACE -fstack-protector-strong)

if(WIN32)
  # The compiler's support library would seed the canary from a DLL beyond
  # the two the program imports: stack_guard/ provides the canary and its
  # failure path instead, so the flag stays off the link line, where it
  # would bring that library in. The program keeps address space layout
  # randomisation and no execution from data pages, stated rather than left
  # to the linker's defaults; a 64-bit program also takes addresses from the
  # whole 64-bit space (high-entropy ASLR).
  crc16_try_flags(link crc16_build_options INTERFACE -Wl,--dynamicbase -Wl,--nxcompat)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    crc16_try_flags(link crc16_build_options INTERFACE -Wl,--high-entropy-va)
  endif()
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
crc16_try_flags(compile crc16_build_options INTERFACE -fstack-clash-protection -fcf-protection)

# Checked variants of the C library's copy, read and print functions where
# the compiler knows the buffer's size. It needs optimisation (without it the
# compiler warns), and the sanitizers do those checks themselves and better:
# theirs are lost where the checked variants replace the calls they watch.
# A compiler that already defines a level of 2 or more when optimising (3 on
# some distributions) keeps it; a lower one is raised to 2.
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_FLAGS -O2)
check_cxx_source_compiles("
#if !defined(_FORTIFY_SOURCE) || _FORTIFY_SOURCE < 2
#error below 2
#endif
int main() { return 0; }" crc16_fortifies_already)
unset(CMAKE_REQUIRED_FLAGS)
if(CRC16_SANITIZED)
  target_compile_options(crc16_build_options INTERFACE -U_FORTIFY_SOURCE)
elseif(NOT crc16_fortifies_already)
  target_compile_options(crc16_build_options INTERFACE
    "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
endif()

# Relocations read-only once resolved, all of them at start-up: ELF linkers'
# options, which others (such as macOS's) refuse.
crc16_try_flags(link crc16_build_options INTERFACE -Wl,-z,relro -Wl,-z,now)
