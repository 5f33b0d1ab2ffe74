// Polls a condition until it holds or a time limit passes; for tests that
// wait for another thread or process to reach a state.
#ifndef TESTS_SUPPORT_WAITFOR_H
#define TESTS_SUPPORT_WAITFOR_H

#include <chrono>
#include <functional>
#include <thread>

// True as soon as condition() holds; false when it still does not after
// limit. The condition is checked every few milliseconds.
inline bool WaitFor(const std::function<bool()> &condition,
                    std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

#endif
