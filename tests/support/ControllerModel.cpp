#include "ControllerModel.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr uint8_t kSync = 0x55;
constexpr uint8_t kRequest5A = 0x5A;
constexpr size_t kRequestDataMax = 58;
constexpr size_t kAnswerDataMax = 60;
constexpr size_t kEdgeBytes = 4;
constexpr size_t kImageProcessorStateBytes = 256; // setting and context

constexpr uint8_t kFormCache = 0x00;
constexpr uint8_t kFormDirectRead = 0x11;
constexpr uint8_t kFormDirectWrite = 0x22;

constexpr uint8_t kGetEdge = 0x10, kSetEdge = 0x11;
constexpr uint8_t kGetEdgeSetting = 0x88, kSetEdgeSetting = 0x89;

// The fixed-length values of a module: which frame type reads and which
// writes them (0: not at all) and their length.
struct RecordSpec {
  uint8_t command;
  uint8_t length;
  uint8_t readType;
  uint8_t writeType;
};

constexpr uint8_t G = ControllerModel::kGet;
constexpr uint8_t S = ControllerModel::kSet;
constexpr uint8_t X = ControllerModel::kExecute;

constexpr RecordSpec kRecords[] = {
    {0x23, 8, G, S},  // setting light-source PWM
    {0x24, 8, G, S},  // light-source PWM
    {0x30, 6, G, 0},  // debug context information
    {0x40, 8, 0, 0},  // slave information (read through the main module)
    {0xA0, 1, G, S},  // device ID
    {0xA1, 8, G, 0},  // device version
    {0xA2, 1, G, S},  // device mode
    {0xA3, 8, G, S},  // device status
    {0xA6, 20, G, 0}, // chip information
    {0xA7, 1, G, S},  // device light
    {0xA8, 1, 0, S},  // slave ID
    {0xB0, 8, G, 0},  // storage information
    {0xB5, 8, G, 0},  // setting information
    {0xC0, 8, G, 0},  // image information
    {0xC4, 1, 0, S},  // image device ID
    {0xDC, 6, G, 0},  // image-processor setting information
    {0xDD, 6, G, 0},  // image-processor context information
    {0xE0, 8, G, 0},  // driver version
    {0xE1, 1, G, S},  // driver working mode
    {0xE2, 1, G, S},  // driver inputting mode
    {0xE3, 1, G, S},  // driver inputting type
    {0xE5, 1, 0, X},  // driver update (the last value sent)
    {0xEF, 8, G, 0},  // driver status
};

const RecordSpec *FindRecord(uint8_t command) {
  for (const RecordSpec &record : kRecords)
    if (record.command == command)
      return &record;
  return nullptr;
}

int AreaIndex(ControllerModel::Area area) {
  return static_cast<int>(area);
}

uint8_t ErasedByte(ControllerModel::Area area) {
  return area == ControllerModel::Area::Swap ? 0x00 : 0xFF;
}

unsigned Le16(const uint8_t *bytes) {
  return bytes[0] | bytes[1] << 8;
}

uint32_t Le32(const uint8_t *bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
         static_cast<uint32_t>(bytes[3]) << 24;
}

void PutLe16(std::vector<uint8_t> &bytes, unsigned value) {
  bytes.push_back(static_cast<uint8_t>(value));
  bytes.push_back(static_cast<uint8_t>(value >> 8));
}

std::vector<uint8_t> EdgeBytes(int16_t a, int16_t b) {
  std::vector<uint8_t> bytes;
  PutLe16(bytes, static_cast<uint16_t>(a));
  PutLe16(bytes, static_cast<uint16_t>(b));
  return bytes;
}

std::pair<int16_t, int16_t> EdgeOf(const uint8_t *bytes) {
  return {static_cast<int16_t>(Le16(bytes)),
          static_cast<int16_t>(Le16(bytes + 2))};
}

[[noreturn]] void Fail(const char *what, unsigned value) {
  std::fprintf(stderr, "ControllerModel: %s 0x%02X\n", what, value);
  std::abort();
}

using Blocks = std::map<uint16_t, std::vector<uint8_t>>;

// The work area of an image-processor command, gathered from its blocks
// (missing blocks read as zeros) and scattered back.
std::vector<uint8_t>
Gather(const Blocks &blocks,
       const ControllerModel::ImageProcessorCommand &info) {
  std::vector<uint8_t> work(size_t{info.blockCount} * info.blockSize, 0);
  for (unsigned i = 0; i < info.blockCount; ++i) {
    const auto it = blocks.find(static_cast<uint16_t>(i));
    if (it != blocks.end())
      std::copy_n(it->second.begin(),
                  std::min<size_t>(it->second.size(), info.blockSize),
                  work.begin() + i * info.blockSize);
  }
  return work;
}

void Scatter(const std::vector<uint8_t> &work, Blocks &blocks,
             const ControllerModel::ImageProcessorCommand &info) {
  blocks.clear();
  for (unsigned i = 0; i < info.blockCount; ++i)
    blocks[static_cast<uint16_t>(i)] =
        std::vector<uint8_t>(work.begin() + i * info.blockSize,
                             work.begin() + (i + 1) * info.blockSize);
}

} // namespace

struct ControllerModel::Module {
  std::map<uint8_t, std::vector<uint8_t>> records;
  std::map<uint32_t, std::vector<uint8_t>> areas[3];
  Blocks imageBlocks, debugBlocks;
  std::map<uint8_t, ImageProcessorCommand> imageProcessorCommands;
  Blocks algorithmCache;  // form 0
  Blocks parameterBlocks; // form 0x22
  Blocks resultBlocks;    // form 0x11
  std::vector<uint8_t> edge = std::vector<uint8_t>(kEdgeBytes, 0);
  std::vector<uint8_t> setting =
      std::vector<uint8_t>(kImageProcessorStateBytes, 0);
  std::vector<uint8_t> settingCache = setting;
  std::vector<uint8_t> context = setting;
  std::vector<uint8_t> contextCache = setting;

  Module() {
    for (const RecordSpec &record : kRecords)
      records[record.command] = std::vector<uint8_t>(record.length, 0);
    const ImageProcessorCommand defaults[] = {
        {kGetEdge, 4, 1, 8, kFormDirectRead},
        {kSetEdge, 4, 1, 8, kFormDirectWrite},
        {kGetEdgeSetting, 4, 1, 8, kFormDirectRead},
        {kSetEdgeSetting, 4, 1, 8, kFormDirectWrite},
    };
    for (const ImageProcessorCommand &info : defaults)
      imageProcessorCommands[info.command] = info;
  }

  std::vector<uint8_t> ReadBlock(Area area, uint32_t address) const {
    const auto &blocks = areas[AreaIndex(area)];
    const auto it = blocks.find(address);
    if (it == blocks.end())
      return std::vector<uint8_t>(kBlockBytes, ErasedByte(area));
    return it->second;
  }

  void WriteBlock(Area area, uint32_t address, const uint8_t *bytes,
                  size_t count) {
    std::vector<uint8_t> block = ReadBlock(area, address);
    std::copy_n(bytes, std::min(count, kBlockBytes), block.begin());
    areas[AreaIndex(area)][address] = block;
  }

  void Erase(Area area, unsigned value) {
    auto &blocks = areas[AreaIndex(area)];
    if (value == 0)
      blocks.clear();
    else
      blocks.erase(static_cast<uint32_t>(value) << 16);
  }

  unsigned ResultLength(uint8_t command) const {
    const auto it = imageProcessorCommands.find(command);
    return it == imageProcessorCommands.end() ? kEdgeBytes
                                              : it->second.parameterLength;
  }

  // Runs one of the known algorithms: the result of a reading command (padded
  // to its parameter length), an empty result for a writing one, or nothing
  // when the command fails.
  std::optional<std::vector<uint8_t>>
  RunAlgorithm(uint8_t command, const std::vector<uint8_t> &parameters) {
    std::vector<uint8_t> result;
    switch (command) {
    case kGetEdge:
    case kGetEdgeSetting: {
      const std::vector<uint8_t> &source =
          command == kGetEdge ? edge : settingCache;
      result.assign(source.begin(), source.begin() + kEdgeBytes);
      result.resize(std::max<size_t>(ResultLength(command), kEdgeBytes), 0);
      return result;
    }
    case kSetEdge:
    case kSetEdgeSetting: {
      if (parameters.size() < kEdgeBytes)
        return std::nullopt;
      std::vector<uint8_t> &target = command == kSetEdge ? edge : settingCache;
      std::copy_n(parameters.begin(), kEdgeBytes, target.begin());
      return result;
    }
    default:
      return std::nullopt;
    }
  }
};

ControllerModel::ControllerModel() {
  m_modules[kMain] = std::make_unique<Module>();
}

// The last answers were given on the fixture's thread; taking the lock orders
// them before the state is destroyed here.
ControllerModel::~ControllerModel() {
  std::lock_guard<std::mutex> lock(m_mutex);
}

FeatureHandler ControllerModel::Handler() {
  return [this](FeatureDirection direction, std::vector<uint8_t> &report) {
    return OnFeature(direction, report);
  };
}

void ControllerModel::AttachTo(EmulatedTouchScreen &bed,
                               const EmulatedDevice &device) {
  bed.SetFeatureHandler(device, Handler());
}

// Frames ---------------------------------------------------------------------

std::vector<uint8_t>
ControllerModel::DataFrame(const std::vector<uint8_t> &data) {
  const auto length = static_cast<uint8_t>(data.size());
  std::vector<uint8_t> frame(data.size() + 4);
  frame[0] = kSync;
  frame[1] = kData;
  frame[2] = length;
  uint8_t sum = length;
  for (size_t i = 0; i < data.size(); ++i) {
    frame[3 + i] = data[i];
    sum = static_cast<uint8_t>(sum + data[i]);
  }
  frame.back() = sum;
  return frame;
}

std::vector<uint8_t> ControllerModel::StatusFrame(uint8_t type) {
  return {kSync, type};
}

// The protocol ---------------------------------------------------------------

int ControllerModel::OnFeature(FeatureDirection direction,
                               std::vector<uint8_t> &report) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Failure &failure = m_failures[direction == FeatureDirection::Set ? 0 : 1];
  if (failure.errnoValue != 0 && failure.remaining != 0) {
    if (failure.remaining > 0)
      --failure.remaining;
    return -failure.errnoValue;
  }
  if (direction == FeatureDirection::Set)
    OnSetFeature(report);
  else
    OnGetFeature(report);
  return static_cast<int>(report.size());
}

void ControllerModel::OnSetFeature(const std::vector<uint8_t> &report) {
  Request request;
  request.report = report;
  if (report.size() >= 6 && report[0] == kSync &&
      (report[1] == kGet || report[1] == kSet || report[1] == kExecute ||
       report[1] == kRequest5A) &&
      report[4] <= kRequestDataMax && size_t{report[4]} + 6 <= report.size()) {
    const size_t n = report[4];
    uint8_t sum = 0;
    for (size_t i = 2; i < 5 + n; ++i)
      sum = static_cast<uint8_t>(sum + report[i]);
    request.wellFormed = sum == report[5 + n];
    request.type = report[1];
    request.target = report[2];
    request.command = report[3];
    request.data.assign(report.begin() + 5, report.begin() + 5 + n);
  }
  // A new request replaces an answer that was never fetched.
  m_pending.reset();
  if (request.wellFormed) {
    Answer answer = Decide(request);
    request.reply = answer.reply;
    if (answer.reply != Reply::None) {
      m_pending = std::move(answer);
      m_delayLeft = m_delay;
    }
  }
  m_requests.push_back(std::move(request));
}

void ControllerModel::OnGetFeature(std::vector<uint8_t> &report) {
  std::vector<uint8_t> bytes = {kSync};
  if (!m_inserted.empty()) {
    bytes = m_inserted.front();
    m_inserted.erase(m_inserted.begin());
  } else if (m_pending && m_delayLeft > 0) {
    --m_delayLeft;
  } else if (m_pending) {
    bytes = m_pending->frame;
    if (m_pending->reply == Reply::Data && m_corrupt > 0) {
      --m_corrupt;
      bytes.back() = static_cast<uint8_t>(bytes.back() + 1);
    }
    if (m_appendTimes > 0) {
      --m_appendTimes;
      bytes.insert(bytes.end(), m_appended.begin(), m_appended.end());
    }
    m_pending.reset();
  }
  std::fill(report.begin(), report.end(), 0);
  std::copy_n(bytes.begin(), std::min(bytes.size(), report.size()),
              report.begin());
}

bool ControllerModel::Rejected(const Request &request) const {
  for (const RejectRule &rule : m_rejects)
    if (rule.command == request.command &&
        (!rule.type || *rule.type == request.type) &&
        (!rule.target || *rule.target == request.target))
      return true;
  return false;
}

ControllerModel::Answer ControllerModel::Decide(Request &request) {
  if (m_silence != 0) {
    if (m_silence > 0)
      --m_silence;
    return {};
  }
  if (m_busy > 0) {
    --m_busy;
    return {StatusFrame(kBusy), Reply::Busy};
  }
  const Answer reject{StatusFrame(kReject), Reply::Reject};
  if (Rejected(request) || request.type == kRequest5A)
    return reject;
  Module *module = Find(request.target);
  if (!module)
    return reject;
  return Carry(*module, request);
}

ControllerModel::Answer ControllerModel::AckAnswer() {
  return Answer{StatusFrame(kAck), Reply::Ack};
}

ControllerModel::Answer ControllerModel::RejectAnswer() {
  return Answer{StatusFrame(kReject), Reply::Reject};
}

// Data that does not fit one answer frame is refused, as the controller does.
ControllerModel::Answer
ControllerModel::DataAnswer(const std::vector<uint8_t> &bytes) {
  if (bytes.size() > kAnswerDataMax)
    return RejectAnswer();
  return Answer{DataFrame(bytes), Reply::Data};
}

ControllerModel::Answer ControllerModel::Carry(Module &module,
                                               const Request &request) {
  const Answer ack = AckAnswer();
  const Answer reject = RejectAnswer();
  const auto data = &ControllerModel::DataAnswer;
  const std::vector<uint8_t> &d = request.data;
  const uint8_t type = request.type;
  const uint8_t command = request.command;

  const RecordSpec *record = FindRecord(command);
  if (record && (record->readType || record->writeType)) {
    if (type == record->readType && d.empty())
      return data(module.records[command]);
    if (type == record->writeType && d.size() == record->length) {
      module.records[command] = d;
      return ack;
    }
    return reject;
  }
  if (command >= 0xD0 && command <= 0xDF)
    return CarryImageProcessor(module, request);

  switch (command) {
  case 0x00: // test: a read echoes its data
    if (type == kGet)
      return data(d);
    return type == kSet ? ack : reject;
  case 0x21: // load and save the CCB setting cache
  case 0x22:
    return type == kSet && d.empty() ? ack : reject;
  case 0x31: // debug context block by index
  case 0xC2: // image block by index
    if (type == kGet && d.size() == 2) {
      const Blocks &blocks =
          command == 0x31 ? module.debugBlocks : module.imageBlocks;
      const auto it = blocks.find(static_cast<uint16_t>(Le16(d.data())));
      if (it != blocks.end())
        return data(it->second);
    }
    return reject;
  case 0x40: // slave information, asked of the main module
    if (type == kGet && d.size() == 1 && &module == m_modules[kMain].get() &&
        std::count(m_slaves.begin(), m_slaves.end(), d[0]))
      return data(Get(d[0]).records[0x40]);
    return reject;
  case 0xAE: // all slave IDs
    if (type != kGet || !d.empty())
      return reject;
    return data(&module == m_modules[kMain].get() ? m_slaves
                                                  : std::vector<uint8_t>());
  case 0xA9: // protect flash, reset, process image, CRC, upgrade
  case 0xAF:
  case 0xC3:
  case 0xF0:
  case 0xF1:
  case 0xF2:
  case 0xFE:
  case 0xFF:
    return type == kExecute && d.empty() ? ack : reject;
  case 0xAA: // beep
    return type == kExecute && d.size() == 4 ? ack : reject;
  case 0xB1: // erase
  case 0xB6:
  case 0xBA: {
    if (type != kExecute || d.size() != 2)
      return reject;
    const Area area = command == 0xB1   ? Area::Storage
                      : command == 0xB6 ? Area::Setting
                                        : Area::Swap;
    module.Erase(area, Le16(d.data()));
    return ack;
  }
  case 0xB2: // blocks
  case 0xB7:
  case 0xBB: {
    const Area area = command == 0xB2   ? Area::Storage
                      : command == 0xB7 ? Area::Setting
                                        : Area::Swap;
    if (type == kGet && d.size() == 4)
      return data(module.ReadBlock(area, Le32(d.data())));
    if (type == kSet && d.size() > 4 && d.size() <= 4 + kBlockBytes) {
      module.WriteBlock(area, Le32(d.data()), d.data() + 4, d.size() - 4);
      return ack;
    }
    return reject;
  }
  case 0xB8: // load the swap area from storage, save it back
  case 0xB9: {
    if (!(type == kSet && d.size() == 4) &&
        !(type == kExecute && d.size() == 2))
      return reject;
    auto &storage = module.areas[AreaIndex(Area::Storage)];
    auto &swap = module.areas[AreaIndex(Area::Swap)];
    if (command == 0xB8) {
      swap.clear();
      for (const auto &block : storage)
        swap[block.first] = block.second;
    } else {
      storage = swap;
    }
    return ack;
  }
  case 0xC1: // capture an image
    if ((type == kSet && d.empty()) ||
        (type == kExecute && d.size() == 2 && Le16(d.data()) == 0xFFFF))
      return ack;
    return reject;
  default:
    return reject;
  }
}

ControllerModel::Answer
ControllerModel::CarryImageProcessor(Module &module, const Request &request) {
  const Answer ack = AckAnswer();
  const Answer reject = RejectAnswer();
  const auto data = &ControllerModel::DataAnswer;
  const std::vector<uint8_t> &d = request.data;
  const uint8_t type = request.type;
  const uint8_t command = request.command;
  auto info = [&](uint8_t k) -> const ImageProcessorCommand * {
    const auto it = module.imageProcessorCommands.find(k);
    return it == module.imageProcessorCommands.end() ? nullptr : &it->second;
  };
  auto run = [&](uint8_t k, const std::vector<uint8_t> &parameters)
      -> std::optional<std::vector<uint8_t>> {
    if (m_failingAlgorithms.count(k))
      return std::nullopt;
    return module.RunAlgorithm(k, parameters);
  };
  const uint16_t index =
      d.size() >= 2 ? static_cast<uint16_t>(Le16(d.data())) : 0;
  const std::vector<uint8_t> rest(d.begin() + std::min<size_t>(d.size(), 2),
                                  d.end());

  switch (command) {
  case 0xD0: // command information, expired form
  case 0xD8: {
    const ImageProcessorCommand *i = d.size() == 1 ? info(d[0]) : nullptr;
    if (type != kGet || !i)
      return reject;
    std::vector<uint8_t> bytes;
    if (command == 0xD8)
      bytes.push_back(i->command);
    PutLe16(bytes,
            command == 0xD8 ? i->parameterLength : i->parameterLength + 1u);
    PutLe16(bytes, i->blockCount);
    PutLe16(bytes, i->blockSize);
    if (command == 0xD8)
      bytes.push_back(i->form);
    return data(bytes);
  }
  case 0xD1: { // run a command in its form
    const ImageProcessorCommand *i = d.size() == 1 ? info(d[0]) : nullptr;
    if (type != kSet || !i)
      return reject;
    if (i->form == kFormCache) {
      std::vector<uint8_t> work = Gather(module.algorithmCache, *i);
      if (work.size() < 1 + size_t{i->parameterLength})
        return reject;
      const std::vector<uint8_t> parameters(
          work.begin() + 1, work.begin() + 1 + i->parameterLength);
      const auto result = run(i->command, parameters);
      work[0] = result ? 1 : 0;
      if (result)
        std::copy_n(result->begin(), std::min(result->size(), work.size() - 1),
                    work.begin() + 1);
      Scatter(work, module.algorithmCache, *i);
      return ack;
    }
    if (i->form == kFormDirectRead) {
      const auto result = run(i->command, {});
      if (!result)
        return reject;
      std::vector<uint8_t> work(size_t{i->blockCount} * i->blockSize, 0);
      std::copy_n(result->begin(), std::min(result->size(), work.size()),
                  work.begin());
      Scatter(work, module.resultBlocks, *i);
      return ack;
    }
    if (i->form == kFormDirectWrite) {
      std::vector<uint8_t> work = Gather(module.parameterBlocks, *i);
      work.resize(std::min<size_t>(work.size(), i->parameterLength));
      return run(i->command, work) ? ack : reject;
    }
    return reject;
  }
  case 0xD2:   // algorithm cache blocks
  case 0xD9: { // result blocks (read) and parameter blocks (write)
    if (d.size() < 2)
      return reject;
    if (type == kGet && d.size() == 2) {
      const Blocks &blocks =
          command == 0xD2 ? module.algorithmCache : module.resultBlocks;
      const auto it = blocks.find(index);
      return it == blocks.end() ? reject : data(it->second);
    }
    if (type == kSet) {
      (command == 0xD2 ? module.algorithmCache
                       : module.parameterBlocks)[index] = rest;
      return ack;
    }
    return reject;
  }
  case 0xDA: // run a command with its parameters in the request
  case 0xDB:
    if (d.empty())
      return reject;
    if (type == kGet && d.size() == 1) {
      const auto result = run(d[0], {});
      return result && !result->empty() ? data(*result) : reject;
    }
    if (type == kSet) {
      const auto result =
          run(d[0], std::vector<uint8_t>(d.begin() + 1, d.end()));
      return result ? ack : reject;
    }
    return reject;
  case 0xD7: { // the same, expired form: the answer repeats the command
    if (type != kGet || d.empty())
      return reject;
    const auto result = run(d[0], std::vector<uint8_t>(d.begin() + 1, d.end()));
    if (!result)
      return reject;
    std::vector<uint8_t> bytes = {d[0]};
    bytes.insert(bytes.end(), result->begin(), result->end());
    return data(bytes);
  }
  case 0xD3: // setting and context caches
  case 0xD4:
  case 0xD5:
  case 0xD6:
    if (type != kSet || !d.empty())
      return reject;
    if (command == 0xD3)
      module.settingCache = module.setting;
    else if (command == 0xD4)
      module.setting = module.settingCache;
    else if (command == 0xD5)
      module.contextCache = module.context;
    else
      module.context = module.contextCache;
    return ack;
  case 0xDE: // blocks of the setting and context caches
  case 0xDF: {
    std::vector<uint8_t> &cache =
        command == 0xDE ? module.settingCache : module.contextCache;
    const size_t offset = size_t{index} * kBlockBytes;
    if (d.size() < 2 || offset >= cache.size())
      return reject;
    if (type == kGet && d.size() == 2)
      return data(std::vector<uint8_t>(cache.begin() + offset,
                                       cache.begin() + offset + kBlockBytes));
    if (type == kSet && rest.size() <= kBlockBytes) {
      std::copy(rest.begin(), rest.end(), cache.begin() + offset);
      return ack;
    }
    return reject;
  }
  default:
    return reject;
  }
}

// State for tests
// --------------------------------------------------------------

ControllerModel::Module *ControllerModel::Find(uint8_t target) {
  const auto it = m_modules.find(target);
  return it == m_modules.end() ? nullptr : it->second.get();
}

const ControllerModel::Module *ControllerModel::Find(uint8_t target) const {
  const auto it = m_modules.find(target);
  return it == m_modules.end() ? nullptr : it->second.get();
}

ControllerModel::Module &ControllerModel::Get(uint8_t target) {
  Module *module = Find(target);
  if (!module)
    Fail("no module at address", target);
  return *module;
}

const ControllerModel::Module &ControllerModel::Get(uint8_t target) const {
  const Module *module = Find(target);
  if (!module)
    Fail("no module at address", target);
  return *module;
}

void ControllerModel::AddSlave(uint8_t address) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_modules.count(address))
    Fail("address taken", address);
  m_modules[address] = std::make_unique<Module>();
  m_slaves.push_back(address);
}

void ControllerModel::SetRecord(uint8_t target, uint8_t command,
                                std::vector<uint8_t> bytes) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const RecordSpec *record = FindRecord(command);
  if (!record || bytes.size() != record->length)
    Fail("no record of that length for command", command);
  Get(target).records[command] = std::move(bytes);
}

std::vector<uint8_t> ControllerModel::Record(uint8_t target,
                                             uint8_t command) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto &records = Get(target).records;
  const auto it = records.find(command);
  if (it == records.end())
    Fail("no record for command", command);
  return it->second;
}

void ControllerModel::SetBlock(uint8_t target, Area area, uint32_t address,
                               std::vector<uint8_t> bytes) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Get(target).WriteBlock(area, address, bytes.data(), bytes.size());
}

std::vector<uint8_t> ControllerModel::Block(uint8_t target, Area area,
                                            uint32_t address) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return Get(target).ReadBlock(area, address);
}

std::vector<uint32_t> ControllerModel::WrittenBlocks(uint8_t target,
                                                     Area area) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<uint32_t> addresses;
  for (const auto &block : Get(target).areas[AreaIndex(area)])
    addresses.push_back(block.first);
  return addresses;
}

void ControllerModel::SetImageBlock(uint8_t target, uint16_t index,
                                    std::vector<uint8_t> bytes) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Get(target).imageBlocks[index] = std::move(bytes);
}

void ControllerModel::SetDebugContextBlock(uint8_t target, uint16_t index,
                                           std::vector<uint8_t> bytes) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Get(target).debugBlocks[index] = std::move(bytes);
}

void ControllerModel::SetImageProcessorCommand(
    uint8_t target, const ImageProcessorCommand &info) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Get(target).imageProcessorCommands[info.command] = info;
}

void ControllerModel::SetEdge(uint8_t target, int16_t a, int16_t b) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Get(target).edge = EdgeBytes(a, b);
}

std::pair<int16_t, int16_t> ControllerModel::Edge(uint8_t target) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return EdgeOf(Get(target).edge.data());
}

void ControllerModel::SetEdgeSetting(uint8_t target, int16_t a, int16_t b) {
  std::lock_guard<std::mutex> lock(m_mutex);
  // As after start-up: the setting is loaded into its cache.
  const std::vector<uint8_t> edge = EdgeBytes(a, b);
  Module &module = Get(target);
  std::copy(edge.begin(), edge.end(), module.setting.begin());
  std::copy(edge.begin(), edge.end(), module.settingCache.begin());
}

std::pair<int16_t, int16_t> ControllerModel::EdgeSetting(uint8_t target) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return EdgeOf(Get(target).setting.data());
}

void ControllerModel::FailAlgorithm(uint8_t command, bool fail) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (fail)
    m_failingAlgorithms.insert(command);
  else
    m_failingAlgorithms.erase(command);
}

// Faults
// -----------------------------------------------------------------------

void ControllerModel::Busy(unsigned times) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_busy = times;
}

void ControllerModel::Reject(uint8_t command, std::optional<uint8_t> type,
                             std::optional<uint8_t> target) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_rejects.push_back({command, type, target});
}

void ControllerModel::ClearRejects() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_rejects.clear();
}

void ControllerModel::Silence(int times) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_silence = times;
}

void ControllerModel::CorruptChecksum(unsigned times) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_corrupt = times;
}

void ControllerModel::AppendFrame(std::vector<uint8_t> frame, unsigned times) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_appended = std::move(frame);
  m_appendTimes = times;
}

void ControllerModel::InsertReports(std::vector<std::vector<uint8_t>> reports) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_inserted.insert(m_inserted.end(), reports.begin(), reports.end());
}

void ControllerModel::DelayAnswers(unsigned polls) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_delay = polls;
}

void ControllerModel::FailFeature(FeatureDirection direction, int errnoValue,
                                  int times) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Failure &failure = m_failures[direction == FeatureDirection::Set ? 0 : 1];
  failure.errnoValue = errnoValue;
  failure.remaining = errnoValue ? times : 0;
}

// What the host sent
// -------------------------------------------------------------

std::vector<ControllerModel::Request> ControllerModel::Requests() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_requests;
}

std::vector<ControllerModel::Request> ControllerModel::Commands() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<Request> commands;
  for (const Request &request : m_requests)
    if (request.wellFormed)
      commands.push_back(request);
  return commands;
}

void ControllerModel::ClearRequests() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_requests.clear();
}
