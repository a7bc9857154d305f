// HandoverSlot: hands an object that a host thread built (where allocating is
// allowed) to the audio thread at a block boundary, and the object it replaces
// back to the host thread to be freed there, without a lock.
//
// The slot holds one pointer, tagged in its lowest bit:
//   empty        nothing to do;
//   offered (1)  built by the host thread, waiting for the audio thread;
//   returned (0) the object the audio thread stopped using when it took the
//                last offer, waiting for the host thread to free it.
// The audio thread only ever turns an offer into a returned object (one
// compare-and-swap); the host thread does everything else. One host thread at
// a time may call offer, withdraw and reclaim (hosts make the calls that use
// it, such as setSampleRate and setBlockSize, from one thread).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

template <typename T>
class HandoverSlot {
public:
  static_assert(alignof(T) >= 2, "the lowest pointer bit is the tag");

  // What the host thread got back from the slot.
  struct Previous {
    std::unique_ptr<T> object;    // an offer never taken, or a returned object; free to delete
    bool lastOfferTaken = false;  // the audio thread took the last offer
  };

  HandoverSlot() = default;
  HandoverSlot(const HandoverSlot&) = delete;
  HandoverSlot& operator=(const HandoverSlot&) = delete;
  // Whatever the slot still holds; no audio thread may run any more.
  ~HandoverSlot() { delete pointerOf(slot.load(std::memory_order_acquire)); }

  // Host thread: offers `next` (not null) in place of what the slot held.
  Previous offer(std::unique_ptr<T> next)
  {
    return previous(slot.exchange(offered(next.release()), std::memory_order_acq_rel));
  }

  // Host thread: takes back an offer not taken yet, or a returned object.
  // The slot is empty afterwards, so until the next offer the audio thread
  // keeps using what it uses now: a caller that must decide from that
  // withdraws first. (Whatever comes back is freed with `Previous`; the
  // returned object is the one the audio thread used before the last offer.)
  Previous withdraw() { return previous(slot.exchange(0, std::memory_order_acq_rel)); }

  // Host thread: takes back a returned object, leaving an offer in place.
  Previous reclaim()
  {
    std::uintptr_t seen = slot.load(std::memory_order_acquire);
    // Only the host thread turns a returned object into anything else, so
    // this swap fails only if the slot was not holding one.
    if (seen == 0 || isOffer(seen) || !slot.compare_exchange_strong(seen, 0, std::memory_order_acq_rel)) return {};
    return previous(seen);
  }

  // Audio thread; no allocation, no lock, no exception. When an offer waits,
  // puts `current` (not null) in its place and returns the offer, which the
  // caller uses from now on; otherwise returns null and changes nothing.
  T* take(T* current) noexcept
  {
    std::uintptr_t seen = slot.load(std::memory_order_acquire);
    if (!isOffer(seen)) return nullptr;
    // Fails only when the host thread replaced the offer at this moment: the
    // newer one is taken at the next block.
    if (!slot.compare_exchange_strong(seen, reinterpret_cast<std::uintptr_t>(current), std::memory_order_acq_rel,
                                      std::memory_order_acquire))
      return nullptr;
    return pointerOf(seen);
  }

private:
  static constexpr std::uintptr_t kOfferTag = 1;

  static bool isOffer(std::uintptr_t value) { return (value & kOfferTag) != 0; }
  static T* pointerOf(std::uintptr_t value) { return reinterpret_cast<T*>(value & ~kOfferTag); }
  static std::uintptr_t offered(T* object) { return reinterpret_cast<std::uintptr_t>(object) | kOfferTag; }
  static Previous previous(std::uintptr_t value)
  {
    return {std::unique_ptr<T>(pointerOf(value)), value != 0 && !isOffer(value)};
  }

  std::atomic<std::uintptr_t> slot{0};
};
