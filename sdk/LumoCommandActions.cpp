// The exported actions (frame type FRAME_EXECUTE).
#include <Lumo/LumoCommand.h>

#include "CommandExchange.h"

using namespace LumoCommand;

int LumoSetProtectFlash(void *h, int target) {
  return Act(h, target, 0xA9);
}
int LumoSetBeep(void *h, int target, unsigned int value) {
  return Act(h, target, 0xAA, U32(value));
}
int LumoSetResetDevice(void *h, int target) {
  return Act(h, target, 0xAF);
}
int LumoSetStorageErase(void *h, int target, unsigned short value) {
  return Act(h, target, 0xB1, U16(value));
}
int LumoSetSettingErase(void *h, int target, unsigned short value) {
  return Act(h, target, 0xB6, U16(value));
}
int LumoSetSwapErase(void *h, int target, unsigned short value) {
  return Act(h, target, 0xBA, U16(value));
}
int LumoSetProcessImage(void *h, int target) {
  return Act(h, target, 0xC3);
}
int LumoSetDriverUpdate(void *h, int target, unsigned char value) {
  return Act(h, target, 0xE5, U8(value));
}
int LumoSetSetCrc(void *h, int target) {
  return Act(h, target, 0xF0);
}
int LumoSetEraseCrc(void *h, int target) {
  return Act(h, target, 0xF1);
}
int LumoSetCheckCrc(void *h, int target) {
  return Act(h, target, 0xF2);
}
int LumoSetUpgradeBegin(void *h, int target) {
  return Act(h, target, 0xFE);
}
int LumoSetUpgradeEnd(void *h, int target) {
  return Act(h, target, 0xFF);
}
