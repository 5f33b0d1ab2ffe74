// The exported reads (frame type FRAME_GET): fixed-length records, blocks,
// and answers of varying length.
#include <Lumo/LumoCommand.h>

#include "CommandExchange.h"

#include <cstring>

using namespace LumoCommand;

// Fixed-length reads --------------------------------------------------------

int LumoGetSettingLightSourcePwm(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0x23, buffer, 8);
}
int LumoGetLightSourcePwm(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0x24, buffer, 8);
}
int LumoGetDebugContextInformation(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0x30, buffer, 6);
}
int LumoGetSlaveInformation(void *h, int target, unsigned char slave,
                            void *buffer) {
  return ReadFixed(h, target, 0x40, buffer, 8, U8(slave));
}
int LumoGetDeviceID(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0xA0, buffer, 1);
}
int LumoGetDeviceVersion(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0xA1, buffer, 8);
}
int LumoGetDeviceMode(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0xA2, buffer, 1);
}
int LumoGetDeviceStatus(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0xA3, buffer, 8);
}
int LumoGetCcbStatus(void *h, void *buffer) {
  return ReadFixed(h, LUMO_TARGET_MAIN, 0xA3, buffer, 8);
}
int LumoGetFcbStatus(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0xA3, buffer, 8);
}
int LumoGetChipInformation(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0xA6, buffer, 20);
}
int LumoGetDeviceLight(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0xA7, buffer, 1);
}
int LumoGetStorageInfo(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0xB0, buffer, 8);
}
int LumoGetSettingInfo(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0xB5, buffer, 8);
}
int LumoGetImageInfo(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0xC0, buffer, 8);
}
int LUMO_Expired_GetAlgorithmCommandInfo(void *h, int target,
                                         unsigned char command, void *buffer) {
  return ReadFixed(h, target, 0xD0, buffer, 6, U8(command));
}
int LumoGetImageProcessorCommandInfo(void *h, int target, unsigned char command,
                                     void *buffer) {
  return ReadFixed(h, target, 0xD8, buffer, 8, U8(command));
}
int LumoGetImageProcessorSettingInformation(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0xDC, buffer, 6);
}
int LumoGetImageProcessorContextInformation(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0xDD, buffer, 6);
}
int LumoGetDriverVersion(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0xE0, buffer, 8);
}
int LumoGetDriverWorkingMode(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0xE1, buffer, 1);
}
int LumoGetDriverInputtingMode(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0xE2, buffer, 1);
}
int LumoGetDriverInputtingType(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0xE3, buffer, 1);
}
int LumoGetDriverStatus(void *h, int target, void *buffer) {
  return ReadFixed(h, target, 0xEF, buffer, 8);
}

// Block reads ---------------------------------------------------------------

int LumoGetStorageBlock(void *h, int target, unsigned int address, void *buffer,
                        unsigned char length) {
  return ReadBlock(h, target, 0xB2, U32(address), buffer, length);
}
int LumoGetSettingBlock(void *h, int target, unsigned int address, void *buffer,
                        unsigned char length) {
  return ReadBlock(h, target, 0xB7, U32(address), buffer, length);
}
int LumoGetSwapBlock(void *h, int target, unsigned int address, void *buffer,
                     unsigned char length) {
  return ReadBlock(h, target, 0xBB, U32(address), buffer, length);
}
// These two hand the block to the caller in any case, so they need a buffer.
int LumoGetImageBlock(void *h, int target, unsigned short index, void *buffer,
                      unsigned char length) {
  return buffer ? ReadBlock(h, target, 0xC2, U16(index), buffer, length) : -1;
}
int LUMO_Expired_GetAlgorithmBufferFromCache(void *h, int target,
                                             unsigned short index, void *buffer,
                                             unsigned char length) {
  return buffer ? ReadBlock(h, target, 0xD2, U16(index), buffer, length) : -1;
}

// Variable-length reads -----------------------------------------------------

int LumoGetAllSlaveID(void *h, int target, unsigned char *buffer,
                      unsigned char *length) {
  return ReadVariable(h, target, 0xAE, NoData(), buffer, length,
                      Oversize::ReportAndFail);
}
int LumoGetDebugContextBlock(void *h, int target, unsigned short index,
                             unsigned char *buffer, unsigned char *length) {
  return ReadVariable(h, target, 0x31, U16(index), buffer, length,
                      Oversize::Report);
}
int LumoGetImageProcessorCommandResult(void *h, int target,
                                       unsigned short index,
                                       unsigned char *buffer,
                                       unsigned char *length) {
  return ReadVariable(h, target, 0xD9, U16(index), buffer, length,
                      Oversize::Fail);
}
int LumoGetExecuteImageProcessorCommandByCache(void *h, int target,
                                               unsigned char command,
                                               unsigned char *buffer,
                                               unsigned char *length) {
  return ReadVariable(h, target, 0xDA, U8(command), buffer, length,
                      Oversize::Fail);
}
int LumoGetExecuteImageProcessorCommandDirect(void *h, int target,
                                              unsigned char command,
                                              unsigned char *buffer,
                                              unsigned char *length) {
  return ReadVariable(h, target, 0xDB, U8(command), buffer, length,
                      Oversize::Fail);
}
int LumoGetCacheOfImageProcessorSetting(void *h, int target,
                                        unsigned short index,
                                        unsigned char *buffer,
                                        unsigned char *length) {
  return ReadVariable(h, target, 0xDE, U16(index), buffer, length,
                      Oversize::Report);
}
int LumoGetCacheOfImageProcessorContext(void *h, int target,
                                        unsigned short index,
                                        unsigned char *buffer,
                                        unsigned char *length) {
  return ReadVariable(h, target, 0xDF, U16(index), buffer, length,
                      Oversize::Report);
}
int LumoGetTest(void *h, int target, const void *data, unsigned char dataLength,
                unsigned char *answer, unsigned char *length) {
  return ReadVariable(h, target, 0x00, CommandData().Bytes(data, dataLength),
                      answer, length, Oversize::Report);
}

// The older form of an image-processor command run through the cache: the
// request bytes travel in the caller's buffer, and the answer comes back with
// the command in front of the result.
int LUMO_Expired_GetExeAlgorithmBufferByCache(void *h, int target,
                                              unsigned char command,
                                              unsigned char *buffer,
                                              unsigned char *length) {
  if (!buffer || !length || *length >= kAnswerArea)
    return -1;
  unsigned char answer[kAnswerArea];
  unsigned char received = sizeof answer;
  if (ReadVariable(h, target, 0xD7, U8(command).Bytes(buffer, *length), answer,
                   &received, Oversize::Fail) != 0)
    return -1;
  if (received < 1 || answer[0] != command)
    return -1;
  const unsigned char resultLength = static_cast<unsigned char>(received - 1);
  std::memcpy(buffer, answer + 1, resultLength);
  *length = resultLength;
  return 0;
}
