// The millisecond clock every timing in the framework reads (timeGetTime's role).
// SDL backend: milliseconds since the process started. Headless: a virtual clock that only
// tests move, so frames, waits, fades, echo, streaming and MIDI are deterministic.
#pragma once

#include <cstdint>

namespace plat {

// Milliseconds, 32 bits, wrapping at 2^32.
uint32_t Now();

// Called by busy waits between two readings of the clock. Under the virtual clock it advances
// time by one millisecond so that a blocking wait terminates.
void BusyWaitTick();

namespace headless {
void SetTime(uint32_t ms);
void AdvanceTime(uint32_t ms);
}  // namespace headless

}  // namespace plat
