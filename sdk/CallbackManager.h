// The callback manager: the record behind a manager handle, with the
// registration that starts its two threads and the unregistration that stops
// them.
//
// A manager is idle (no callback, no threads) or active (at least one
// callback; a dispatcher thread and a reader thread run). The first successful
// registration makes it active; the unregistration that empties the last
// slot, UnregisterAll and deletion make it idle again and return only once
// both threads have ended. Any number of such cycles is allowed.
//
//   reader thread      ReadInterrupts on the device; copies each read result
//                      into the queue and sets the wake event
//   dispatcher thread  owns the reader, the queue and its mutex; takes the
//                      reports off the queue, splits and decodes them and
//                      calls the callbacks
//
// Threads: Register, Unregister and UnregisterAll run on the client's thread,
// one at a time per manager (they are not locked against each other). The
// dispatcher reads the slots without a lock (see CallbackSlot). The thread
// and event handles below are touched only by the client's thread; the
// dispatcher works with copies it took at start-up.
#ifndef LUMO_CALLBACKMANAGER_H
#define LUMO_CALLBACKMANAGER_H

#include "CallbackSlot.h"
#include "InputReports.h"

#include <Lumo/LumoCallback.h>

struct _CallbackManager {
  // The device whose input reports are read; must stay open while active.
  void *device = nullptr;
  // The dispatcher thread; null while idle.
  void *dispatcherThread = nullptr;
  // Set by the reader after each queued report; null while idle.
  void *wakeEvent = nullptr;
  // Set to end the dispatcher; null while idle.
  void *stopEvent = nullptr;
  LumoReports::CallbackSlot slots[LumoReports::kReportKindCount];

  // Registers function and user in the slot of kind. Fails (-1) when function
  // is null, when the slot is occupied (it keeps its callback), or when the
  // threads cannot be started (the slot is left empty, the manager idle).
  int Register(LumoReports::ReportKindIndex kind, LumoReportCallback function,
               void *user);
  // Empties the slot of kind; fails when it is empty. Emptying the last slot
  // stops the threads. Also fails, changing nothing, when it would empty the
  // last slot from a callback: the dispatcher cannot wait for its own end.
  int Unregister(LumoReports::ReportKindIndex kind);
  // Empties every slot and stops the threads (if they run). Fails, changing
  // nothing, when called from a callback of this manager.
  int UnregisterAll();

private:
  bool AnySlotOccupied() const;
  bool OnDispatcherThread() const;
  bool StartDispatcher();
  void StopDispatcher();
};

#endif // LUMO_CALLBACKMANAGER_H
