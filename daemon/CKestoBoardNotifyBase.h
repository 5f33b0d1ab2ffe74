// The hotplug monitor's platform-independent half: the table of supported
// devices and the attach/detach logic. A detached wxThread; the platform
// class enumerates and follows device events and calls OnAdd / OnRemove.
#ifndef CKESTOBOARDNOTIFYBASE_H
#define CKESTOBOARDNOTIFYBASE_H

#include "DeviceInfo.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include <wx/thread.h>

class CBoardAttachTarget;

class CKestoBoardNotifyBase : public wxThread {
public:
  // Board type of the optical touch screen, the only one this monitor attaches.
  static constexpr int kAttachedBoardType = 20;

  // target: the application, told to start and stop the board's work.
  explicit CKestoBoardNotifyBase(CBoardAttachTarget &target);
  ~CKestoBoardNotifyBase() override;

  // Appends a supported device (no path) to the table. Called on the
  // application's thread after the thread was created and before it runs.
  bool RegisterDevice(int vid, int pid, int kind, int type, int baud);

  // Attaches a board of type 20: marks it in config.xml, starts the receiver
  // and, 10 ms later, the work thread. Returns whether a board is attached.
  // Hotplug thread.
  virtual bool OnAdd(DeviceInfo &deviceInfo);
  // Detaches the attached board, whatever device went away. Hotplug thread.
  virtual int OnRemove(DeviceInfo &deviceInfo);
  // Scans the present devices of one subsystem; nothing here.
  virtual void Enumerate(const char *subsystem);

  // Asks the thread to stop and returns once it has ended and freed itself
  // (a detached thread's Delete does not wait). Main thread, at exit.
  void DeleteAndWait();

  bool IsBoardAttached() const { return m_brun; }
  int DeviceCount() const { return m_iDeviceCount; }

protected:
  // First table entry with this product and vendor, or null.
  const DeviceInfo *FindSupported(int pid, int vid) const;

  int m_iDeviceCount;
  std::vector<DeviceInfo> m_devices;
  // Hotplug thread writes it inside the attach mutex; any thread may read it.
  std::atomic<bool> m_brun;
  std::mutex m_attachMutex;

private:
  // Set by the destructor, which runs on the thread as its last step.
  struct EndLatch {
    std::mutex mutex;
    std::condition_variable cv;
    bool ended = false;
  };

  CBoardAttachTarget &m_target;
  std::shared_ptr<EndLatch> m_pEnded;
};

#endif // CKESTOBOARDNOTIFYBASE_H
