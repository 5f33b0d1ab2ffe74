// One callback slot of a callback manager: the function registered for one
// report kind and its user pointer.
//
// Threads: the client's thread changes a slot (Store, Clear) while the
// dispatcher thread reads it (Load) without a lock. Store writes the user
// pointer before the function and Clear removes the function before the user
// pointer, so that a reader that sees a function never pairs it with a user
// pointer from before that function was stored. The generation counter covers
// what that order alone cannot: a slot emptied and filled again (or filled and
// emptied again) between the reader's two loads. Load returns a pair only when
// no change overlapped it. Only one thread may change a slot at a time.
#ifndef LUMO_CALLBACKSLOT_H
#define LUMO_CALLBACKSLOT_H

#include <Lumo/LumoCallback.h>

#include <atomic>
#include <sched.h>

namespace LumoReports {

class CallbackSlot {
public:
  // Client thread.
  void Store(LumoReportCallback function, void *user) {
    m_generation.fetch_add(1); // odd: a change is under way
    m_user.store(user);
    m_function.store(function);
    m_generation.fetch_add(1);
  }

  // Client thread.
  void Clear() {
    m_generation.fetch_add(1);
    m_function.store(nullptr);
    m_user.store(nullptr);
    m_generation.fetch_add(1);
  }

  // Any thread.
  bool Occupied() const { return m_function.load() != nullptr; }

  // Dispatcher thread: a function and the user pointer stored with it, or a
  // null function when the slot is empty.
  void Load(LumoReportCallback &function, void *&user) const {
    for (;;) {
      const unsigned before = m_generation.load();
      if (before & 1u) {
        sched_yield(); // the client is between two stores
        continue;
      }
      function = m_function.load();
      user = m_user.load();
      if (m_generation.load() == before)
        return;
    }
  }

private:
  std::atomic<unsigned> m_generation{0};
  std::atomic<LumoReportCallback> m_function{nullptr};
  std::atomic<void *> m_user{nullptr};
};

} // namespace LumoReports

#endif // LUMO_CALLBACKSLOT_H
