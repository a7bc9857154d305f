// The slot that hands objects built on a host thread to the audio thread and
// the replaced ones back: every object is freed exactly once, by the host
// side, and the audio side always ends up with the newest offer.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "realtime/HandoverSlot.h"
#include "tests/support/WaitDeadline.h"

namespace {

std::atomic<int> alive{0};

struct Tables {
  explicit Tables(int id) : id(id) { alive.fetch_add(1); }
  ~Tables() { alive.fetch_sub(1); }
  Tables(const Tables&) = delete;
  Tables& operator=(const Tables&) = delete;
  int id;
};

TEST(HandoverSlotTest, offersAreTakenOnceAndWhatTheyReplaceComesBack)
{
  {
    HandoverSlot<Tables> slot;
    auto played = std::make_unique<Tables>(0);
    EXPECT_EQ(slot.take(played.get()), nullptr);  // nothing offered

    // An offer replaced before the audio side took it comes back untaken.
    EXPECT_EQ(slot.offer(std::make_unique<Tables>(1)).object, nullptr);
    HandoverSlot<Tables>::Previous replaced = slot.offer(std::make_unique<Tables>(2));
    ASSERT_NE(replaced.object, nullptr);
    EXPECT_EQ(replaced.object->id, 1);
    EXPECT_FALSE(replaced.lastOfferTaken);
    EXPECT_EQ(slot.reclaim().object, nullptr) << "an offer waiting is not the host's to take back";

    Tables* const taken = slot.take(played.get());
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->id, 2);
    Tables* const old = played.release();  // the slot owns it now
    played.reset(taken);
    EXPECT_EQ(slot.take(played.get()), nullptr) << "taken once only";

    HandoverSlot<Tables>::Previous back = slot.reclaim();
    ASSERT_EQ(back.object.get(), old);
    EXPECT_TRUE(back.lastOfferTaken);
    back.object.reset();
    EXPECT_EQ(slot.reclaim().object, nullptr);

    // Withdrawn before it was taken: the audio side never sees it.
    (void)slot.offer(std::make_unique<Tables>(3));
    HandoverSlot<Tables>::Previous withdrawn = slot.withdraw();
    ASSERT_NE(withdrawn.object, nullptr);
    EXPECT_EQ(withdrawn.object->id, 3);
    EXPECT_EQ(slot.take(played.get()), nullptr);

    // Left in the slot at the end: freed with it.
    (void)slot.offer(std::make_unique<Tables>(4));
  }
  EXPECT_EQ(alive.load(), 0);
}

// Run under ThreadSanitizer (scripts/test-sanitizers.sh picks it by name).
TEST(HandoverSlotTest, offersFromOneThreadWhileAnotherThreadTakesThem)
{
  constexpr int kOffers = 20000;
  {
    HandoverSlot<Tables> slot;
    std::atomic<bool> done{false};
    std::atomic<int> newestSeen{0};
    std::atomic<int> outOfOrder{0};
    std::thread audio([&] {
      auto played = std::make_unique<Tables>(0);
      int last = 0;
      // Until the last offer arrived: one lost on the way would keep it here.
      const testsupport::WaitDeadline deadline("the last offer");
      while (!done.load() || last < kOffers) {
        deadline.check();
        if (Tables* next = slot.take(played.get())) {
          if (next->id <= last) outOfOrder.fetch_add(1);
          last = next->id;
          (void)played.release();
          played.reset(next);
          // Reading what was handed over: the host built it before offering.
          newestSeen.store(played->id);
        }
      }
    });
    for (int id = 1; id <= kOffers; ++id) {
      (void)slot.reclaim();
      (void)slot.offer(std::make_unique<Tables>(id));
    }
    done.store(true);
    audio.join();
    EXPECT_EQ(newestSeen.load(), kOffers);
    EXPECT_EQ(outOfOrder.load(), 0);
    EXPECT_EQ(alive.load(), 1) << "only what the slot still holds";
  }
  EXPECT_EQ(alive.load(), 0);
}

}  // namespace
