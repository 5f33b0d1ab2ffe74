// Threads and open descriptors of the test process, from /proc/self.
#ifndef TESTS_SDK_PROCESSCOUNTS_H
#define TESTS_SDK_PROCESSCOUNTS_H

#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <thread>
#include <unistd.h>

// Entries of a /proc directory, "." and ".." not counted.
inline int CountEntries(const char *path) {
  DIR *dir = opendir(path);
  if (!dir)
    return -1;
  int count = 0;
  while (const dirent *entry = readdir(dir))
    if (entry->d_name[0] != '.')
      ++count;
  closedir(dir);
  return count;
}

inline int ThreadCount() {
  return CountEntries("/proc/self/task");
}

// The descriptor opendir holds while it lists is not counted.
inline int DescriptorCount() {
  return CountEntries("/proc/self/fd") - 1;
}

// A joined thread can stay listed a moment after pthread_join has returned,
// until the kernel has reaped it: waits until the count is `expected` and
// returns the last count seen.
inline int WaitForThreadCount(
    int expected, std::chrono::milliseconds timeout = std::chrono::seconds(2)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int count = ThreadCount();
  while (count != expected && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    count = ThreadCount();
  }
  return count;
}

// The open descriptors as "number -> what it refers to", for messages.
inline std::string DescriptorList() {
  std::string list;
  DIR *dir = opendir("/proc/self/fd");
  if (!dir)
    return list;
  const int own = dirfd(dir);
  while (const dirent *entry = readdir(dir)) {
    if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == own)
      continue;
    char target[256] = {};
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    if (readlink(link.c_str(), target, sizeof target - 1) < 0)
      target[0] = '?';
    list += std::string(entry->d_name) + " -> " + target + "\n";
  }
  closedir(dir);
  return list;
}

#endif // TESTS_SDK_PROCESSCOUNTS_H
