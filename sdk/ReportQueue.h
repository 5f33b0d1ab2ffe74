// The queue between the reader and the dispatcher thread of a callback
// manager: (length, buffer) pairs, each buffer a heap copy of exactly one read
// result (report ID first). The queue owns its buffers; a buffer taken off the
// queue belongs to the taker and is freed when its QueuedReport goes.
//
// Threads: the reader thread appends, the dispatcher thread takes; each call
// holds the queue mutex only for the change of the queue itself, so decoding
// and the callbacks run with it released. The queue is unbounded: a slow
// callback lets reports pile up rather than be lost.
#ifndef LUMO_REPORTQUEUE_H
#define LUMO_REPORTQUEUE_H

#include <deque>
#include <memory>

namespace LumoReports {

struct QueuedReport {
  unsigned length = 0;
  std::unique_ptr<unsigned char[]> buffer;
};

class ReportQueue {
public:
  // mutex: a platform-layer mutex handle that guards the queue; the caller
  // keeps it alive longer than the queue.
  explicit ReportQueue(void *mutex) : m_pMutex(mutex) {}
  // Frees every buffer still queued.
  ~ReportQueue() = default;
  ReportQueue(const ReportQueue &) = delete;
  ReportQueue &operator=(const ReportQueue &) = delete;

  // Appends a copy of length bytes at data. False (and nothing queued) for an
  // empty report or when memory runs out.
  bool Append(const void *data, unsigned length);
  // Takes the oldest report off the queue; false when the queue is empty.
  bool TakeFront(QueuedReport &report);

private:
  void *m_pMutex;
  std::deque<QueuedReport> m_reports; // guarded by m_pMutex
};

} // namespace LumoReports

#endif // LUMO_REPORTQUEUE_H
