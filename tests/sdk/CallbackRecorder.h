// Records what the callbacks of a callback manager receive, as readable text,
// with the thread each call ran on. Register its functions with the recorder
// as the user pointer; any thread may call them, the test reads the calls.
#ifndef TESTS_SDK_CALLBACKRECORDER_H
#define TESTS_SDK_CALLBACKRECORDER_H

#include <Lumo/LumoCallback.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

// "touch tip=1 id=3 x=4660 y=22136 w=16 h=32 scan=513" and the like.
inline std::string DescribeTouchPoint(const char *kind, const void *record) {
  const auto *point = static_cast<const _TouchPoint *>(record);
  char text[160];
  std::snprintf(text, sizeof text,
                "%s tip=%u id=%u x=%g y=%g w=%g h=%g scan=%u", kind, point->tip,
                point->contactId, point->x, point->y, point->width,
                point->height, point->scanTime);
  return text;
}

// "key 7 state=1".
inline std::string DescribeVirtualKey(const void *record) {
  const auto *event = static_cast<const _VirtualKeyEvent *>(record);
  return "key " + std::to_string(event->key) +
         " state=" + std::to_string(event->state);
}

// "diagnosis" and the 63 bytes in hexadecimal.
inline std::string DescribeDiagnosis(const void *record) {
  const auto *bytes = static_cast<const unsigned char *>(record);
  std::string text = "diagnosis";
  for (int i = 0; i < 63; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02x", bytes[i]);
    text += hex;
  }
  return text;
}

class CallbackRecorder {
public:
  static void OnDiagnosis(void *user, const void *record) {
    static_cast<CallbackRecorder *>(user)->Add(DescribeDiagnosis(record));
  }
  static void OnRawTouch(void *user, const void *record) {
    static_cast<CallbackRecorder *>(user)->Add(
        DescribeTouchPoint("raw", record));
  }
  static void OnTouch(void *user, const void *record) {
    static_cast<CallbackRecorder *>(user)->Add(
        DescribeTouchPoint("touch", record));
  }
  static void OnVirtualKey(void *user, const void *record) {
    static_cast<CallbackRecorder *>(user)->Add(DescribeVirtualKey(record));
  }

  std::vector<std::string> Calls() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
  }
  std::vector<pid_t> Threads() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_threads;
  }
  size_t Count() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls.size();
  }
  void Reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.clear();
    m_threads.clear();
  }

  // Waits until a call described as `text` has been recorded; false after
  // the timeout.
  bool WaitFor(const std::string &text,
               std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
      for (const std::string &call : m_calls)
        if (call == text)
          return true;
      return false;
    });
  }

  // Waits until at least count calls have been recorded.
  bool
  WaitForCount(size_t count,
               std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout,
                              [&] { return m_calls.size() >= count; });
  }

private:
  void Add(std::string text) {
    const pid_t thread = static_cast<pid_t>(syscall(SYS_gettid));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(std::move(text));
    m_threads.push_back(thread);
    m_changed.notify_all();
  }

  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<std::string> m_calls; // guarded by m_mutex
  std::vector<pid_t> m_threads;     // guarded by m_mutex
};

#endif // TESTS_SDK_CALLBACKRECORDER_H
