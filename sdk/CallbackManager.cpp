#include "CallbackManager.h"

#include "InterruptReader.h"
#include "ReportQueue.h"
#include "ThreadContext.h"
#include "ThreadEvent.h"
#include "ThreadMutex.h"

using namespace LumoVarnok;
using namespace LumoReports;

namespace {

// Handed from the registering thread to a new dispatcher. It lives on the
// registering thread's stack: the dispatcher copies what it needs and must
// not touch the record after it has set the started event.
struct DispatcherStartup {
  void *startedEvent;
  void *wakeEvent;
  void *stopEvent;
  void *device;
  const CallbackSlot *slots;
  // Written by the dispatcher before it sets the started event: whether its
  // reader runs. When it does not, the dispatcher is ending on its own.
  bool running;
};

// Handed from the dispatcher to its reader. It lives on the dispatcher's
// stack, which outlasts the reader (the dispatcher joins it); the reader must
// not touch the started event after setting it.
struct ReaderStartup {
  void *stopEvent;
  void *startedEvent;
  void *device;
  ReportQueue *queue;
  void *wakeEvent;
};

// Reader thread: one read result, copied into the queue.
void QueueReport(void *user, void *data, unsigned int length) {
  auto *reader = static_cast<ReaderStartup *>(user);
  if (reader->queue->Append(data, length))
    ClickThreadEvent(reader->wakeEvent);
}

void ReaderMain(void *argument) {
  auto *reader = static_cast<ReaderStartup *>(argument);
  ClickThreadEvent(reader->startedEvent);
  ReadInterrupts(reader->device, reader->stopEvent, QueueReport, reader);
}

// Runs on the dispatcher thread: the reader thread and its stop event.
struct Reader {
  void *thread = nullptr;
  void *stopEvent = nullptr;
};

// Creates the reader, lets it go and waits until it runs. False, with
// everything released, when something cannot be created.
bool StartReader(ReaderStartup &startup, Reader &reader) {
  reader.thread = CreateSuspendedThread(ReaderMain, &startup);
  reader.stopEvent = CreateThreadEvent();
  void *started = CreateThreadEvent();
  if (!reader.thread || !reader.stopEvent || !started) {
    CloseThread(reader.thread); // a parked thread leaves without running
    CloseThreadEvent(reader.stopEvent);
    CloseThreadEvent(started);
    reader = Reader();
    return false;
  }
  startup.stopEvent = reader.stopEvent;
  startup.startedEvent = started;
  ResumeThread(reader.thread);
  WaitForThreadEvent(started);
  CloseThreadEvent(started);
  return true;
}

void StopReader(Reader &reader) {
  ClickThreadEvent(reader.stopEvent);
  ThreadJoin(reader.thread);
  CloseThread(reader.thread);
  CloseThreadEvent(reader.stopEvent);
  reader = Reader();
}

// Splits and decodes every queued report, oldest first.
void DispatchQueued(ReportQueue &queue, const CallbackSlot *slots) {
  QueuedReport report;
  while (queue.TakeFront(report)) {
    SplitReports(report.buffer.get(), report.length, slots);
    report.buffer.reset();
  }
}

void DispatcherMain(void *argument) {
  auto *startup = static_cast<DispatcherStartup *>(argument);
  void *const startedEvent = startup->startedEvent;
  void *const wakeEvent = startup->wakeEvent;
  void *const stopEvent = startup->stopEvent;
  const CallbackSlot *const slots = startup->slots;

  void *const queueMutex = CreateMutex();
  Reader reader;
  bool running = false;
  {
    ReportQueue queue(queueMutex);
    ReaderStartup readerStartup{nullptr, nullptr, startup->device, &queue,
                                wakeEvent};
    running = queueMutex && StartReader(readerStartup, reader);

    // Only now may the registering thread return: it learns whether
    // callbacks can arrive at all.
    startup->running = running;
    ClickThreadEvent(startedEvent);
    startup = nullptr;

    if (running) {
      while (!CheckThreadEvent(stopEvent)) {
        DispatchQueued(queue, slots);
        WaitForThreadEvent(wakeEvent);
      }
      StopReader(reader);
    }
    // Reports still queued are freed with the queue, unread.
  }
  CloseMutex(queueMutex);
}

} // namespace

bool _CallbackManager::AnySlotOccupied() const {
  for (const CallbackSlot &slot : slots)
    if (slot.Occupied())
      return true;
  return false;
}

int _CallbackManager::Register(ReportKindIndex kind,
                               LumoReportCallback function, void *user) {
  if (!function || kind >= kReportKindCount)
    return -1;
  CallbackSlot &slot = slots[kind];
  if (slot.Occupied())
    return -1;
  const bool othersRegistered = AnySlotOccupied();
  slot.Store(function, user); // the user pointer first, then the function
  if (othersRegistered)
    return 0; // the threads run already
  if (!StartDispatcher()) {
    slot.Clear();
    return -1;
  }
  return 0;
}

int _CallbackManager::Unregister(ReportKindIndex kind) {
  if (kind >= kReportKindCount)
    return -1;
  CallbackSlot &slot = slots[kind];
  if (!slot.Occupied())
    return -1;
  bool last = true;
  for (unsigned other = 0; other < kReportKindCount; ++other)
    if (other != kind && slots[other].Occupied())
      last = false;
  if (last && OnDispatcherThread())
    return -1;
  slot.Clear(); // the function first, then the user pointer
  if (last)
    StopDispatcher();
  return 0;
}

int _CallbackManager::UnregisterAll() {
  if (OnDispatcherThread())
    return -1;
  for (CallbackSlot &slot : slots)
    slot.Clear();
  StopDispatcher();
  return 0;
}

// A callback that stopped its own dispatcher would have it join itself (which
// fails) and then free the events the dispatcher still uses once the callback
// returns.
bool _CallbackManager::OnDispatcherThread() const {
  const auto *thread = static_cast<const _ThreadContext *>(dispatcherThread);
  return thread && pthread_equal(thread->thread, pthread_self());
}

bool _CallbackManager::StartDispatcher() {
  DispatcherStartup startup{};
  dispatcherThread = CreateSuspendedThread(DispatcherMain, &startup);
  wakeEvent = CreateThreadEvent();
  stopEvent = CreateThreadEvent();
  void *started = CreateThreadEvent();
  if (!dispatcherThread || !wakeEvent || !stopEvent || !started) {
    CloseThread(dispatcherThread); // a parked thread leaves without running
    CloseThreadEvent(started);
    dispatcherThread = nullptr;
    CloseThreadEvent(wakeEvent);
    CloseThreadEvent(stopEvent);
    wakeEvent = stopEvent = nullptr;
    return false;
  }

  startup.startedEvent = started;
  startup.wakeEvent = wakeEvent;
  startup.stopEvent = stopEvent;
  startup.device = device;
  startup.slots = slots;
  ResumeThread(dispatcherThread);
  WaitForThreadEvent(started);
  CloseThreadEvent(started);

  if (!startup.running) {
    // The dispatcher could not start its reader and is ending.
    StopDispatcher();
    return false;
  }
  return true;
}

void _CallbackManager::StopDispatcher() {
  // With no dispatcher every handle is null and each call does nothing.
  ClickThreadEvent(stopEvent);
  ClickThreadEvent(wakeEvent);
  ThreadJoin(dispatcherThread);
  CloseThread(dispatcherThread);
  CloseThreadEvent(wakeEvent);
  CloseThreadEvent(stopEvent);
  dispatcherThread = wakeEvent = stopEvent = nullptr;
}
