// Bounding a test process's memory, to show how code behaves when an
// allocation is refused. Use it inside a death test's child: the bound stays.
#pragma once

#include <cstddef>

// AddressSanitizer and ThreadSanitizer reserve their shadow memory up front and
// report, rather than refuse, an allocation that fails: under them the bound
// cannot show anything. GCC names them with macros, clang with __has_feature.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define RUDI_CAN_BOUND_MEMORY 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define RUDI_CAN_BOUND_MEMORY 0
#endif
#endif
#ifndef RUDI_CAN_BOUND_MEMORY
#define RUDI_CAN_BOUND_MEMORY 1
#endif

// Lets the process map at most `extraBytes` more than it has mapped now.
void LimitAddressSpaceToCurrentPlus(std::size_t extraBytes);

// True when the test runs under qemu's user emulation (tools/emulate-i386.sh
// says so in RUDI_EMULATED_I386). The emulator maps the program's memory
// itself, so a bound on the address space bounds the emulator, not the
// program; and every program runs several times slower.
bool UnderEmulator();
