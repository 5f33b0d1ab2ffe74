#include "InterruptReader.h"

#include "DeviceContext.h"
#include "SdkLog.h"
#include "ThreadContext.h"
#include "ThreadEvent.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace LumoVarnok {

namespace {

// Poll timeout when the stop event has no descriptor to wait on (none could
// be created): look at the event every millisecond instead.
constexpr int kStopCheckMs = 1;

enum class ReadOutcome { Report, Nothing, DeviceGone };

// Reads one result into buffer; sets length for a report.
ReadOutcome ReadReport(int fd, unsigned char *buffer, unsigned int &length) {
  const ssize_t n = read(fd, buffer, kInterruptBufferSize);
  if (n > 0) {
    length = static_cast<unsigned int>(n);
    return ReadOutcome::Report;
  }
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
    return ReadOutcome::Nothing;
  // End-of-file or an error such as EIO or ENODEV: hidraw fails its reads
  // this way once the device has been unplugged.
  return ReadOutcome::DeviceGone;
}

} // namespace

void ReadInterrupts(void *device, void *stopEvent, InterruptCallback callback,
                    void *user) {
  const auto *context = static_cast<const _DeviceContext *>(device);
  if (!context)
    return;
  SdkLog("ReadInterrupts start");

  const int stopFd = ThreadEventPollFd(stopEvent);
  bool deviceGone = false;
  unsigned char buffer[kInterruptBufferSize];

  for (;;) {
    if (CheckThreadEvent(stopEvent))
      break;
    if (deviceGone && !stopEvent)
      break; // nothing left that could end the loop

    pollfd fds[2];
    nfds_t count = 0;
    pollfd *devicePoll = nullptr;
    if (!deviceGone) {
      fds[count] = pollfd{context->fd, POLLIN, 0};
      devicePoll = &fds[count++];
    }
    if (stopFd >= 0)
      fds[count++] = pollfd{stopFd, POLLIN, 0};
    const int timeout = (stopEvent && stopFd < 0) ? kStopCheckMs : -1;

    const int ready = poll(fds, count, timeout);
    if (ready < 0) {
      if (errno != EINTR)
        Sleep(kStopCheckMs); // never spin on a failing poll
      continue;
    }
    if (ready == 0 || !devicePoll || devicePoll->revents == 0)
      continue; // the stop event or a timeout: look at the event again

    // POLLERR and POLLHUP are how hidraw tells that the device has been
    // unplugged; POLLNVAL means the descriptor is not open any more. None of
    // them goes away, so the device is dropped from the poll set.
    if (devicePoll->revents & (POLLERR | POLLHUP | POLLNVAL)) {
      deviceGone = true;
      continue;
    }

    unsigned int length = 0;
    switch (ReadReport(context->fd, buffer, length)) {
    case ReadOutcome::Report:
      if (callback)
        callback(user, buffer, length);
      break;
    case ReadOutcome::Nothing:
      break;
    case ReadOutcome::DeviceGone:
      deviceGone = true;
      break;
    }
  }
  SdkLog("ReadInterrupts stop");
}

} // namespace LumoVarnok
