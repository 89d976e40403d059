// The millisecond clock every timing in the framework reads (timeGetTime's role).
// SDL backend: milliseconds since the process started. Headless: a virtual clock that only
// tests move, so frames, waits, fades, echo, streaming and MIDI are deterministic.
// A recorded or replayed run holds the clock: every reading between two samples agrees, so the
// run can be played again reading exactly the same times.
#pragma once

#include <cstdint>

namespace plat {

// Milliseconds, 32 bits, wrapping at 2^32.
uint32_t Now();

// Called by busy waits between two readings of the clock. Under the virtual clock, or while
// the clock is held, it advances time by one millisecond so that a blocking wait terminates
// (a held real clock also lets that millisecond pass in real time).
void BusyWaitTick();

// Holding the clock: Now() returns the value of the last SampleClock or SetClock until the
// next one; the real clock keeps running underneath. The virtual clock is not affected.
void HoldClock(bool hold);
void SampleClock();
// The virtual clock, or the held value of the real clock, becomes ms.
void SetClock(uint32_t ms);

// Sleeps until the clock reads ms (wrapping compare, at most 2^31 - 1 ms ahead): the virtual
// or held clock is moved there; the running real clock is waited for without using the CPU.
void SleepUntil(uint32_t ms);

namespace headless {
void SetTime(uint32_t ms);
void AdvanceTime(uint32_t ms);
}  // namespace headless

}  // namespace plat
