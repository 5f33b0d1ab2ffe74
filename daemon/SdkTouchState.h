// The two contacts last reported by the optical touch screen.
//
// Written by the SDK receiver's raw-touch callback on libLumo's dispatcher
// thread, read by the DVT work thread. Every field is a separate atomic 32-bit
// value, as each is stored one at a time: a reader may see the x of a newer
// report with the y of an older one, never a torn value.
#ifndef SDKTOUCHSTATE_H
#define SDKTOUCHSTATE_H

#include <atomic>
#include <cstdint>

struct SdkTouchState {
  static constexpr int kContacts = 2;

  std::atomic<int32_t> received{0}; // set by every callback, cleared by readers
  std::atomic<int32_t> down[kContacts] = {};
  std::atomic<int32_t> x[kContacts] = {};
  std::atomic<int32_t> y[kContacts] = {};
  std::atomic<int32_t> size[kContacts] = {}; // width + height while touching

  // Back to the state at start: nothing received, no contact down.
  void Clear();
};

// The process's one record.
extern SdkTouchState g_SdkTouchState;

#endif // SDKTOUCHSTATE_H
