// The exported writes (frame type FRAME_SET).
#include <Lumo/LumoCommand.h>

#include "CommandExchange.h"

using namespace LumoCommand;

namespace {

CommandData Record(const _LumoRecord8 &record) {
  return CommandData().Bytes(record.bytes, sizeof record.bytes);
}

// The image processor's index-addressed blocks: the 16-bit index and the
// block's bytes together hold at most 60 bytes.
bool FitsIndexedBlock(unsigned char length) {
  return length + 2u <= kAnswerArea;
}

// Runs of an image-processor command with their parameters: the command
// byte, then *length bytes.
int ExecuteWithData(void *h, int target, unsigned char code,
                    unsigned char command, const void *data,
                    const unsigned char *length) {
  if (!data || !length || *length >= kAnswerArea)
    return -1;
  return Write(h, target, code, U8(command).Bytes(data, *length));
}

} // namespace

int LumoSetTest(void *h, int target, const void *data, unsigned char length) {
  return Write(h, target, 0x00, CommandData().Bytes(data, length));
}
int LumoSetCacheLoadFromCcbSetting(void *h, int target) {
  return Write(h, target, 0x21);
}
int LumoSetCacheSaveToCcbSetting(void *h, int target) {
  return Write(h, target, 0x22);
}
int LumoSetSettingLightSourcePwm(void *h, int target, _LumoRecord8 record) {
  return Write(h, target, 0x23, Record(record));
}
int LumoSetLightSourcePwm(void *h, int target, _LumoRecord8 record) {
  return Write(h, target, 0x24, Record(record));
}
int LumoSetDeviceID(void *h, int target, unsigned char id) {
  return Write(h, target, 0xA0, U8(id));
}
int LumoSetDeviceMode(void *h, int target, unsigned char mode) {
  return Write(h, target, 0xA2, U8(mode));
}
int LumoSetDeviceStatus(void *h, int target, _LumoRecord8 record) {
  return Write(h, target, 0xA3, Record(record));
}
int LumoSetDeviceLight(void *h, int target, unsigned char light) {
  return Write(h, target, 0xA7, U8(light));
}
int LumoSetSlaveID(void *h, int target, unsigned char id) {
  return Write(h, target, 0xA8, U8(id));
}
int LumoSetStorageBlock(void *h, int target, unsigned int address,
                        const void *data, unsigned char length) {
  return Write(h, target, 0xB2, U32(address).Bytes(data, length));
}
int LumoSetSettingBlock(void *h, int target, unsigned int address,
                        const void *data, unsigned char length) {
  return Write(h, target, 0xB7, U32(address).Bytes(data, length));
}
int LumoSetSwapBlock(void *h, int target, unsigned int address,
                     const void *data, unsigned char length) {
  return Write(h, target, 0xBB, U32(address).Bytes(data, length));
}
int LUMO_SetImageDeviceId(void *h, int target, unsigned char id) {
  return Write(h, target, 0xC4, U8(id));
}
int LumoSetExecuteImageProcessorCommand(void *h, int target,
                                        unsigned char command) {
  return Write(h, target, 0xD1, U8(command));
}
int LUMO_Expired_SetAlgorithmBufferToCache(void *h, int target,
                                           unsigned short index,
                                           const void *data,
                                           unsigned char length) {
  return Write(h, target, 0xD2, U16(index).Bytes(data, length));
}
int LumoSetCacheLoadFromImageProcessorSetting(void *h, int target) {
  return Write(h, target, 0xD3);
}
int LumoSetCacheSaveToImageProcessorSetting(void *h, int target) {
  return Write(h, target, 0xD4);
}
int LumoSetCacheLoadFromImageProcessorContext(void *h, int target) {
  return Write(h, target, 0xD5);
}
int LumoSetCacheSaveToImageProcessorContext(void *h, int target) {
  return Write(h, target, 0xD6);
}
int LumoSetImageProcessorCommandParam(void *h, int target, unsigned short index,
                                      const void *data, unsigned char length) {
  if (!FitsIndexedBlock(length))
    return -1;
  return Write(h, target, 0xD9, U16(index).Bytes(data, length));
}
int LumoSetExecuteImageProcessorCommandByCache(void *h, int target,
                                               unsigned char command,
                                               const void *data,
                                               unsigned char *length) {
  return ExecuteWithData(h, target, 0xDA, command, data, length);
}
int LumoSetExecuteImageProcessorCommandDirect(void *h, int target,
                                              unsigned char command,
                                              const void *data,
                                              unsigned char *length) {
  return ExecuteWithData(h, target, 0xDB, command, data, length);
}
int LumoSetCacheOfImageProcessorSetting(void *h, int target,
                                        unsigned short index, const void *data,
                                        unsigned char length) {
  if (!FitsIndexedBlock(length))
    return -1;
  return Write(h, target, 0xDE, U16(index).Bytes(data, length));
}
int LumoSetCacheOfImageProcessorContext(void *h, int target,
                                        unsigned short index, const void *data,
                                        unsigned char length) {
  if (!FitsIndexedBlock(length))
    return -1;
  return Write(h, target, 0xDF, U16(index).Bytes(data, length));
}
int LumoSetDriverWorkingMode(void *h, int target, unsigned char mode) {
  return Write(h, target, 0xE1, U8(mode));
}
int LumoSetDriverInputtingMode(void *h, int target, unsigned char mode) {
  return Write(h, target, 0xE2, U8(mode));
}
int LumoSetDriverInputtingType(void *h, int target, unsigned char type) {
  return Write(h, target, 0xE3, U8(type));
}
