// The optical touch screen as the daemon holds it open through libLumo: the
// device handle and the callback manager whose threads deliver its touches.
//
// A receiver opens the touch screen and hands both handles over here, where
// they stay while the board is attached. Release() gives them back to the
// library (callbacks unregistered, manager deleted, device closed) and clears
// SdkTouchState: on detach, before a receiver opens the touch screen again,
// and at exit. Every plug then costs the same and nothing piles up on
// devices that are gone.
//
// Threads: the receiver thread, the hotplug thread and the main thread; all
// under the session's mutex, which a receiver holds for its whole opening so
// that a release never races with it.
#ifndef CSDKSESSION_H
#define CSDKSESSION_H

#include <mutex>

class CSdkSession {
public:
  static CSdkSession &Get();

  // Held by a receiver from its first SDK call to Adopt.
  std::mutex &Mutex() { return m_mutex; }

  // Takes over an opened device and its manager (either may be null).
  // Caller holds Mutex(); anything held before is released first.
  void AdoptLocked(void *device, void *manager);
  // Releases what is held; caller holds Mutex().
  void ReleaseLocked();
  // Takes the mutex and releases what is held.
  void Release();

  bool IsOpen();

private:
  CSdkSession() = default;

  std::mutex m_mutex;
  void *m_pDevice = nullptr;  // libLumo device handle; under m_mutex
  void *m_pManager = nullptr; // libLumo callback manager; under m_mutex
};

#endif // CSDKSESSION_H
