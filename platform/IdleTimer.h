// A periodic call on the interface thread's message loop, for plug-in
// formats whose host drives no idle of its own and offers no run loop
// (VST 3 on Windows): the editor redraws what changed from it.
//
// Threads: start and stop on the interface thread, which also runs `tick`.
#pragma once

#include <cstdint>

// Calls `tick(context)` every `milliseconds` from the calling thread's
// message loop until stopIdleTimer; 0 when no timer can be had (then
// nothing is called).
uintptr_t startIdleTimer(unsigned milliseconds, void (*tick)(void*), void* context);
// Stops a timer startIdleTimer gave (0 is ignored).
void stopIdleTimer(uintptr_t timer);
