// A bound on a test's wait for another thread, so that a thread that hangs
// fails the test with a message instead of blocking the whole run.
//
// The thread waited for still uses the test's variables, so when the time is
// up nothing can be unwound safely (joining would hang as well): check()
// names what was awaited and aborts the test program, which fails the test.
// The limit is generous because the sanitizer builds run these waits many
// times slower; it catches hangs, it measures nothing.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace testsupport {

class WaitDeadline {
public:
  explicit WaitDeadline(const char* what, std::chrono::seconds limit = std::chrono::seconds(60))
      : what_(what), limit_(limit), end_(std::chrono::steady_clock::now() + limit)
  {}

  // Call in every round of the wait: aborts once the limit has passed.
  void check() const
  {
    if (std::chrono::steady_clock::now() <= end_) return;
    std::fprintf(stderr, "gave up waiting for %s after %lld s\n", what_, static_cast<long long>(limit_.count()));
    std::fflush(stderr);
    std::abort();
  }

private:
  const char* what_;
  std::chrono::seconds limit_;
  std::chrono::steady_clock::time_point end_;
};

}  // namespace testsupport
