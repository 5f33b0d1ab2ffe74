#include "ReportQueue.h"

#include "ThreadMutex.h"

#include <cstring>
#include <new>
#include <utility>

namespace LumoReports {

namespace {

// Holds a platform mutex for a scope.
class QueueLock {
public:
  explicit QueueLock(void *mutex) : m_pMutex(mutex) { LumoVarnok::Lock(mutex); }
  ~QueueLock() { LumoVarnok::Unlock(m_pMutex); }
  QueueLock(const QueueLock &) = delete;
  QueueLock &operator=(const QueueLock &) = delete;

private:
  void *m_pMutex;
};

} // namespace

bool ReportQueue::Append(const void *data, unsigned length) {
  if (!data || length == 0)
    return false;
  QueuedReport report;
  report.buffer.reset(new (std::nothrow) unsigned char[length]);
  if (!report.buffer)
    return false;
  std::memcpy(report.buffer.get(), data, length);
  report.length = length;

  QueueLock lock(m_pMutex);
  try {
    m_reports.push_back(std::move(report));
  } catch (const std::bad_alloc &) {
    return false; // the report is lost; the reader goes on
  }
  return true;
}

bool ReportQueue::TakeFront(QueuedReport &report) {
  QueueLock lock(m_pMutex);
  if (m_reports.empty())
    return false;
  report = std::move(m_reports.front());
  m_reports.pop_front();
  return true;
}

} // namespace LumoReports
