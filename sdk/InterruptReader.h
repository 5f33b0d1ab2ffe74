// The loop that reads a device's input reports on the calling thread.
#ifndef LUMO_INTERRUPTREADER_H
#define LUMO_INTERRUPTREADER_H

namespace LumoVarnok {

// data points to one read result (one input report, report ID first) in a
// buffer of the loop; it is valid only during the call.
typedef void (*InterruptCallback)(void *user, void *data, unsigned int length);

// The largest read result; the buffer lives on the reading thread's stack.
constexpr unsigned int kInterruptBufferSize = 4096;

// Reads input reports from device and hands each read result to callback (a
// missing callback drops them) until stopEvent is set, then returns.
//
// Idle, the loop sleeps in poll() on the device and on the stop event's
// descriptor together, so it wakes only for a report or for the stop, and
// stops as soon as the event is clicked (after a callback in progress).
// A device that has gone away (POLLHUP, POLLERR, POLLNVAL, or a read that
// ends in an error or end-of-file) is no longer polled; the loop then waits
// for the stop event alone. Without a stop event the loop cannot be stopped,
// so it returns once the device has gone.
void ReadInterrupts(void *device, void *stopEvent, InterruptCallback callback,
                    void *user);

} // namespace LumoVarnok

#endif // LUMO_INTERRUPTREADER_H
