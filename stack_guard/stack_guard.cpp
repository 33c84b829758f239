// The stack protector's canary and its failure path, for the Windows
// programs. The compiler's support library has them too, but seeds the
// canary through a DLL the program does not otherwise import. The canary is
// set before main, from the system's random source; the function that sets
// it has no canary of its own, since it changes the value it would be
// checked against.

// Before the first system header: rand_s.
#define _CRT_RAND_S

#include <cstdlib>
#include <cstring>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

extern "C" {
void* __stack_chk_guard = nullptr;

// A smashed stack ends the process at once, with the status the system's own
// stack checks give, before anything it may have overwritten is used.
[[noreturn]] void __stack_chk_fail()
{
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_unreachable();
}
}

[[gnu::constructor, gnu::no_stack_protector]] static void seed_stack_guard()
{
    unsigned parts[sizeof(void*) / sizeof(unsigned)] = {};
    for (unsigned& part : parts) {
        // Should the random source fail: a canary of the zero, line feed and
        // 0xFF bytes that end most string copies.
        if (rand_s(&part) != 0) {
            part = 0xFF0A0000U;
        }
    }
    std::memcpy(&__stack_chk_guard, parts, sizeof parts);
}
