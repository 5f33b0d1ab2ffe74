// The exported commands that take more than one exchange: the commands that
// fall back to an older form, and the touch-screen operations built from
// other commands.
#include <Lumo/LumoCommand.h>

#include "CommandExchange.h"

using namespace LumoCommand;

namespace {

// The swap-area transfers: the write form with both values; older
// controllers know only the action form, which carries the second value
// alone and exists only for a first value of 0.
int SwapTransfer(void *h, int target, unsigned char command,
                 unsigned short first, unsigned short second) {
  if (Write(h, target, command, U16(first).U16(second)) == 0)
    return 0;
  if (first != 0)
    return -1;
  return Act(h, target, command, U16(second));
}

// The driver working modes behind the touch screen's data modes 0 to 4.
constexpr unsigned char kDataModes[] = {0xF0, 0xF1, 0xF2, 0xFE, 0xFF};

// The most slave addresses one answer lists.
constexpr unsigned char kSlaveListCapacity = 255;

} // namespace

int LumoSetSwapLoadFromStorage(void *h, int target, unsigned short first,
                               unsigned short second) {
  return SwapTransfer(h, target, 0xB8, first, second);
}
int LumoSetSwapSaveToStorage(void *h, int target, unsigned short first,
                             unsigned short second) {
  return SwapTransfer(h, target, 0xB9, first, second);
}
int LumoSetCaptureImage(void *h, int target) {
  if (Write(h, target, 0xC1) == 0)
    return 0;
  return Act(h, target, 0xC1, U16(0xFFFF));
}

int LumoSetTouchScreenDataMode(void *h, unsigned char mode) {
  if (mode >= sizeof kDataModes)
    return -1;
  return LumoSetDriverWorkingMode(h, LUMO_TARGET_MAIN, kDataModes[mode]);
}

int LumoRestartTouchScreen(void *h) {
  return LumoSetResetDevice(h, LUMO_TARGET_MAIN);
}

// The main controller first, then its slaves in the order it lists them.
int LumoSetTouchScreenWorkingMode(void *h, unsigned char mode) {
  if (mode > 1)
    return 1;
  unsigned char slaves[kSlaveListCapacity];
  unsigned char count = sizeof slaves;
  if (const int result = LumoGetAllSlaveID(h, LUMO_TARGET_MAIN, slaves, &count))
    return result;
  if (const int result = LumoSetDeviceMode(h, LUMO_TARGET_MAIN, mode))
    return result;
  for (unsigned char i = 0; i < count; ++i)
    if (const int result = LumoSetDeviceMode(h, slaves[i], mode))
      return result;
  return 0;
}

int LumoParameterCcbErase(void *h) {
  return LumoSetStorageErase(h, LUMO_TARGET_MAIN, 0);
}
int LumoParameterFcbErase(void *h, int target) {
  return LumoSetStorageErase(h, target, 0);
}
int LumoParameterDriverUpdate(void *h, unsigned char value) {
  return LumoSetDriverUpdate(h, LUMO_TARGET_MAIN, value);
}
