// The idle timer as a thread timer of the system (SetTimer without a window):
// its procedure gets only the timer's number, so the callbacks are looked up
// by it. Every call runs on the interface thread, so the table needs no lock.
#include <windows.h>

#include <vector>

#include "platform/IdleTimer.h"

namespace {

struct Entry {
  UINT_PTR id;
  void (*tick)(void*);
  void* context;
};

std::vector<Entry>& timers()
{
  static std::vector<Entry> entries;
  return entries;
}

void CALLBACK timerFired(HWND /*window*/, UINT /*message*/, UINT_PTR id, DWORD /*time*/)
{
  for (const Entry& entry : timers()) {
    if (entry.id == id) {
      entry.tick(entry.context);
      return;
    }
  }
}

}  // namespace

uintptr_t startIdleTimer(unsigned milliseconds, void (*tick)(void*), void* context)
{
  if (tick == nullptr) return 0;
  const UINT_PTR id = SetTimer(nullptr, 0, milliseconds, timerFired);
  if (id == 0) return 0;
  timers().push_back({id, tick, context});
  return static_cast<uintptr_t>(id);
}

void stopIdleTimer(uintptr_t timer)
{
  if (timer == 0) return;
  KillTimer(nullptr, static_cast<UINT_PTR>(timer));
  std::erase_if(timers(), [timer](const Entry& entry) { return entry.id == timer; });
}
