// The exported image-processor algorithm operations: reading and writing the
// edge values, either run once (the working values) or kept in the image
// processor's setting.
//
// The controller describes each algorithm command with its command
// information: how many parameter or result bytes it has, the work area those
// travel in (blockCount blocks of blockSize bytes) and the form of execution:
//  - cache form (0): the work area is written to the algorithm cache block by
//    block, the command runs on it, and the blocks are read back; the first
//    byte of the work area is a status byte, the parameters or results follow
//    it;
//  - direct form for reading (0x11): the command runs and its result is read
//    in one exchange or, when that is not possible, block by block;
//  - direct form for writing (0x22): the parameters are sent block by block,
//    then the command runs.
#include <Lumo/LumoCommand.h>

#include "CommandExchange.h"

#include <cstring>
#include <vector>

using namespace LumoCommand;

namespace {

constexpr unsigned char kGetEdge = 0x10;
constexpr unsigned char kSetEdge = 0x11;
constexpr unsigned char kGetEdgeSetting = 0x88;
constexpr unsigned char kSetEdgeSetting = 0x89;

constexpr unsigned char kFormCache = 0x00;
constexpr unsigned char kFormDirectRead = 0x11;
constexpr unsigned char kFormDirectWrite = 0x22;

// The edge values a and b: two signed 16-bit numbers, little-endian.
constexpr unsigned kEdgeBytes = 4;

struct CommandInfo {
  unsigned char command = 0;
  unsigned parameterLength = 0;
  unsigned blockCount = 0;
  unsigned blockSize = 0;
  unsigned char form = 0;

  size_t WorkSize() const { return size_t{blockCount} * blockSize; }
};

unsigned Le16(const unsigned char *bytes) {
  return bytes[0] | static_cast<unsigned>(bytes[1]) << 8;
}

void PutEdge(unsigned char *bytes, short a, short b) {
  const auto ua = static_cast<unsigned short>(a);
  const auto ub = static_cast<unsigned short>(b);
  bytes[0] = static_cast<unsigned char>(ua);
  bytes[1] = static_cast<unsigned char>(ua >> 8);
  bytes[2] = static_cast<unsigned char>(ub);
  bytes[3] = static_cast<unsigned char>(ub >> 8);
}

void TakeEdge(const unsigned char *bytes, short *a, short *b) {
  *a = static_cast<short>(static_cast<unsigned short>(Le16(bytes)));
  *b = static_cast<short>(static_cast<unsigned short>(Le16(bytes + 2)));
}

// The command information; older controllers give it in the expired form,
// three 16-bit values (parameter length counting the status byte, block
// count, block size) for the cache form. A block larger than one answer can
// carry is refused: the work area could never travel, and its size comes
// from the controller.
bool GetCommandInfo(void *h, int target, unsigned char command,
                    CommandInfo &info) {
  unsigned char bytes[8];
  if (LumoGetImageProcessorCommandInfo(h, target, command, bytes) == 0) {
    info.parameterLength = Le16(bytes + 1);
    info.blockCount = Le16(bytes + 3);
    info.blockSize = Le16(bytes + 5);
    info.form = bytes[7];
  } else if (LUMO_Expired_GetAlgorithmCommandInfo(h, target, command, bytes) ==
             0) {
    info.parameterLength = (Le16(bytes) - 1) & 0xFFFF;
    info.blockCount = Le16(bytes + 2);
    info.blockSize = Le16(bytes + 4);
    info.form = kFormCache;
  } else {
    return false;
  }
  info.command = command; // the command asked about is the one that runs
  return info.blockSize <= kAnswerArea;
}

unsigned char BlockSize(const CommandInfo &info) {
  return static_cast<unsigned char>(info.blockSize);
}

unsigned char *Block(std::vector<unsigned char> &work, const CommandInfo &info,
                     unsigned i) {
  return work.data() + size_t{i} * info.blockSize;
}

bool WriteWorkToCache(void *h, int target, const CommandInfo &info,
                      std::vector<unsigned char> &work) {
  for (unsigned i = 0; i < info.blockCount; ++i)
    if (LUMO_Expired_SetAlgorithmBufferToCache(
            h, target, static_cast<unsigned short>(i), Block(work, info, i),
            BlockSize(info)) != 0)
      return false;
  return true;
}

bool ReadWorkFromCache(void *h, int target, const CommandInfo &info,
                       std::vector<unsigned char> &work) {
  for (unsigned i = 0; i < info.blockCount; ++i)
    if (LUMO_Expired_GetAlgorithmBufferFromCache(
            h, target, static_cast<unsigned short>(i), Block(work, info, i),
            BlockSize(info)) != 0)
      return false;
  return true;
}

bool Run(void *h, int target, const CommandInfo &info) {
  return LumoSetExecuteImageProcessorCommand(h, target, info.command) == 0;
}

// Cache form, reading: on success result holds the parameterLength result
// bytes that follow the status byte.
bool ReadThroughCache(void *h, int target, const CommandInfo &info,
                      std::vector<unsigned char> &result) {
  std::vector<unsigned char> work(info.WorkSize());
  if (work.size() < 1 + result.size())
    return false;
  if (!WriteWorkToCache(h, target, info, work) || !Run(h, target, info) ||
      !ReadWorkFromCache(h, target, info, work))
    return false;
  if (work[0] == 0) // the status byte: the command did not succeed
    return false;
  std::memcpy(result.data(), work.data() + 1, result.size());
  return true;
}

// Direct form, reading: one exchange when the result fits an answer,
// otherwise the command runs and its result is read block by block.
bool ReadDirect(void *h, int target, const CommandInfo &info,
                std::vector<unsigned char> &result) {
  if (result.size() <= kAnswerArea) {
    unsigned char answer[kAnswerArea];
    unsigned char length = sizeof answer;
    if (LumoGetExecuteImageProcessorCommandDirect(h, target, info.command,
                                                  answer, &length) == 0 &&
        length >= result.size()) {
      std::memcpy(result.data(), answer, result.size());
      return true;
    }
  }
  std::vector<unsigned char> work(info.WorkSize());
  if (work.size() < result.size() || !Run(h, target, info))
    return false;
  for (unsigned i = 0; i < info.blockCount; ++i) {
    unsigned char length = BlockSize(info);
    if (LumoGetImageProcessorCommandResult(h, target,
                                           static_cast<unsigned short>(i),
                                           Block(work, info, i), &length) != 0)
      return false;
  }
  std::memcpy(result.data(), work.data(), result.size());
  return true;
}

// Runs a reading command and hands out the first two values of its result.
int GetEdgeOf(void *h, int target, unsigned char command, short *a, short *b) {
  if (!a || !b)
    return -1;
  CommandInfo info;
  if (!GetCommandInfo(h, target, command, info) ||
      info.parameterLength < kEdgeBytes)
    return -1;
  std::vector<unsigned char> result(info.parameterLength);
  bool ok = false;
  if (info.form == kFormCache)
    ok = ReadThroughCache(h, target, info, result);
  else if (info.form == kFormDirectRead)
    ok = ReadDirect(h, target, info, result);
  if (!ok)
    return -1;
  TakeEdge(result.data(), a, b);
  return 0;
}

// Runs an image-processor command on the setting cache with parameter
// bytes, in the current form or, failing that, the expired one.
bool RunOnSettingCache(void *h, int target, unsigned char command,
                       const unsigned char *parameter, unsigned char length) {
  unsigned char sent = length;
  if (LumoSetExecuteImageProcessorCommandByCache(h, target, command, parameter,
                                                 &sent) == 0)
    return true;
  unsigned char buffer[kAnswerArea];
  std::memcpy(buffer, parameter, length);
  sent = length;
  return LUMO_Expired_GetExeAlgorithmBufferByCache(h, target, command, buffer,
                                                   &sent) == 0;
}

// Reads the result of an image-processor command on the setting cache.
bool ReadFromSettingCache(void *h, int target, unsigned char command,
                          unsigned char (&result)[kAnswerArea],
                          unsigned char &length) {
  length = sizeof result;
  if (LumoGetExecuteImageProcessorCommandByCache(h, target, command, result,
                                                 &length) == 0)
    return true;
  length = 0; // no request bytes after the command
  return LUMO_Expired_GetExeAlgorithmBufferByCache(h, target, command, result,
                                                   &length) == 0;
}

} // namespace

int LUMO_Alg_GetEdge(void *h, int target, short *a, short *b) {
  return GetEdgeOf(h, target, kGetEdge, a, b);
}

int LUMO_Alg_GetEdge_Setting(void *h, int target, short *a, short *b) {
  return GetEdgeOf(h, target, kGetEdgeSetting, a, b);
}

int LUMO_Alg_SetEdge(void *h, int target, short a, short b) {
  CommandInfo info;
  if (!GetCommandInfo(h, target, kSetEdge, info) ||
      info.parameterLength < kEdgeBytes)
    return -1;
  std::vector<unsigned char> work(info.WorkSize());
  if (info.form == kFormCache) {
    // A status byte, then the parameters.
    if (work.size() < 1 + size_t{info.parameterLength})
      return -1;
    PutEdge(work.data() + 1, a, b);
    return Result(WriteWorkToCache(h, target, info, work) &&
                  Run(h, target, info));
  }
  if (info.form == kFormDirectWrite) {
    if (work.size() < info.parameterLength)
      return -1;
    PutEdge(work.data(), a, b);
    for (unsigned i = 0; i < info.blockCount; ++i)
      if (LumoSetImageProcessorCommandParam(
              h, target, static_cast<unsigned short>(i), Block(work, info, i),
              BlockSize(info)) != 0)
        return -1;
    return Result(Run(h, target, info));
  }
  return -1;
}

// Load the setting into its cache, change the edge there, save it back. When
// saving fails, the edge counts as written only if the setting, loaded
// again, shows the values written.
int LUMO_Alg_SetEdge_Setting(void *h, int target, short a, short b) {
  unsigned char edge[kEdgeBytes];
  PutEdge(edge, a, b);
  if (LumoSetCacheLoadFromImageProcessorSetting(h, target) != 0)
    return -1;
  if (!RunOnSettingCache(h, target, kSetEdgeSetting, edge, sizeof edge))
    return -1;
  if (LumoSetCacheSaveToImageProcessorSetting(h, target) == 0)
    return 0;
  if (LumoSetCacheLoadFromImageProcessorSetting(h, target) != 0)
    return -1;
  unsigned char readBack[kAnswerArea];
  unsigned char length = 0;
  if (!ReadFromSettingCache(h, target, kGetEdgeSetting, readBack, length))
    return -1;
  return Result(length >= kEdgeBytes &&
                std::memcmp(readBack, edge, kEdgeBytes) == 0);
}
