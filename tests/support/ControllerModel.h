// A model of the touch screen's controller, answering the framed command
// protocol inside the 64-byte feature reports (report ID 0x55) of an
// EmulatedTouchScreen.
//
//   EmulatedTouchScreen bed;
//   EmulatedDevice screen = bed.AddTouchScreen();
//   ControllerModel controller;               // must outlive the device's use
//   controller.AttachTo(bed, screen);
//   controller.SetRecord(0x80, 0xA0, {0x05}); // device ID of the main module
//   controller.Busy(2);                       // the next two requests: BUSY
//   ... run the code under test ...
//   controller.Requests();                    // what the host sent, in order
//
// How it answers: a set-feature report carries one request frame
// (55 type target command n data[n] checksum). The model checks it the way a
// controller must: sync byte, type (GET, SET or EXECUTE), length (at most 58)
// and checksum. A malformed request is not answered at all. A well-formed one
// is answered ACK, DATA, BUSY or REJECT; the answer frame waits in the model
// and goes out, padded with zeros, in the next get-feature report. Get-feature
// reports with nothing to deliver hold the report ID and zeros. An answer is
// delivered once.
//
// The state: a main module (target 0x80) and any number of slave modules, each
// with
//  - records: the fixed-length values that commands read and write, by
//    command code (device ID 0xA0, device mode 0xA2, driver working mode 0xE1,
//    the 8-byte records 0x23, 0x24, 0xA3, ...). Writing a record needs exactly
//    its length; read-only records (versions, chip information, area
//    information) are set by the test;
//  - the storage, setting and swap areas of 32-byte blocks, addressed by the
//    32-bit block address of the request (block number x 65536). Blocks never
//    written or erased read as erased flash: 0xFF in storage and setting, 0x00
//    in the swap area. Erasing with value 0 clears the whole area, any other
//    value the block with that number. Loading the swap area from storage
//    (0xB8) copies the whole stored area, saving (0xB9) copies it back, in
//    either form (SET with two 16-bit values, EXECUTE with one);
//  - the image processor: command information for its algorithm commands,
//    the algorithm cache (form 0), the parameter and result blocks of the
//    direct forms (0x22, 0x11), and the setting and context with their
//    caches. The algorithms it knows are the edge commands: 0x10 reads and
//    0x11 writes the working edge values (a, b: two 16-bit values), 0x88 reads
//    and 0x89 writes the edge setting in the setting cache (its first four
//    bytes).
// Requests for an address that is neither the main module nor a slave, for
// an unknown command or with an unfitting length are answered REJECT.
//
// Scripted faults, applied to the next well-formed requests in this order:
// silence, BUSY, REJECT of a command (and frame type and target); and to
// answers: a wrong checksum, another frame after the answer in the same
// report, reports delivered before the answer, answers held back for some
// polls. Failing ioctls: FailFeature (or the fixture's FailIoctl).
//
// Threads: the fixture calls the handler on its helper thread; the test calls
// everything else. One mutex guards the whole state.
#ifndef TESTS_SUPPORT_CONTROLLERMODEL_H
#define TESTS_SUPPORT_CONTROLLERMODEL_H

#include "support/EmulatedTouchScreen.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <utility>
#include <vector>

class ControllerModel {
public:
  static constexpr uint8_t kMain = 0x80;
  static constexpr size_t kBlockBytes = 32;
  static constexpr size_t kReportBytes = 64;

  // Frame types of the protocol.
  static constexpr uint8_t kGet = 0x1E, kSet = 0x2D, kExecute = 0x3C;
  static constexpr uint8_t kData = 0x4B, kAck = 0x87, kBusy = 0x96,
                           kReject = 0xB4;

  enum class Area { Storage, Setting, Swap };
  enum class Reply { None, Ack, Data, Busy, Reject };

  // One set-feature report as the model received it.
  struct Request {
    std::vector<uint8_t> report; // as sent, report ID first
    bool wellFormed = false;     // sync, type, length and checksum right
    uint8_t type = 0, target = 0, command = 0;
    std::vector<uint8_t> data;
    Reply reply = Reply::None;
  };

  // How the controller runs one image-processor algorithm command.
  struct ImageProcessorCommand {
    uint8_t command = 0;
    uint16_t parameterLength = 4;
    uint16_t blockCount = 1;
    uint16_t blockSize = 8;
    uint8_t form = 0; // 0 cache, 0x11 direct for reading, 0x22 for writing
  };

  ControllerModel();
  ~ControllerModel();
  ControllerModel(const ControllerModel &) = delete;
  ControllerModel &operator=(const ControllerModel &) = delete;

  // The handler that answers a device's feature reports; it refers to this
  // model. AttachTo installs it on the device.
  FeatureHandler Handler();
  void AttachTo(EmulatedTouchScreen &bed, const EmulatedDevice &device);

  // Modules. A slave has its own state; the main module lists the slaves
  // (command 0xAE) in the order they were added.
  void AddSlave(uint8_t address);

  // Records, by module and command code.
  void SetRecord(uint8_t target, uint8_t command, std::vector<uint8_t> bytes);
  std::vector<uint8_t> Record(uint8_t target, uint8_t command) const;

  // Blocks of the three areas.
  void SetBlock(uint8_t target, Area area, uint32_t address,
                std::vector<uint8_t> bytes);
  std::vector<uint8_t> Block(uint8_t target, Area area, uint32_t address) const;
  // Addresses of the blocks written since the area was last erased.
  std::vector<uint32_t> WrittenBlocks(uint8_t target, Area area) const;

  // Blocks answered by the image (0xC2) and debug-context (0x31) reads, by
  // index; an index without a block is rejected.
  void SetImageBlock(uint8_t target, uint16_t index,
                     std::vector<uint8_t> bytes);
  void SetDebugContextBlock(uint8_t target, uint16_t index,
                            std::vector<uint8_t> bytes);

  // Image processor.
  void SetImageProcessorCommand(uint8_t target,
                                const ImageProcessorCommand &info);
  void SetEdge(uint8_t target, int16_t a, int16_t b);
  std::pair<int16_t, int16_t> Edge(uint8_t target) const;
  // The edge setting as saved in the image processor's setting. Setting it
  // also loads it into the setting cache, as after start-up; reading it does
  // not look at the cache.
  void SetEdgeSetting(uint8_t target, int16_t a, int16_t b);
  std::pair<int16_t, int16_t> EdgeSetting(uint8_t target) const;
  // Makes an algorithm command fail: through the cache it leaves status 0,
  // otherwise its run is rejected.
  void FailAlgorithm(uint8_t command, bool fail = true);

  // Scripted faults.
  // The next `times` requests are answered BUSY and not carried out.
  void Busy(unsigned times);
  // Requests with this command (and, when given, frame type and target) are
  // answered REJECT from now on.
  void Reject(uint8_t command, std::optional<uint8_t> type = std::nullopt,
              std::optional<uint8_t> target = std::nullopt);
  void ClearRejects();
  // The next `times` requests (every one when negative, none when 0) get no
  // answer and are not carried out.
  void Silence(int times);
  // The next `times` data answers carry a wrong checksum.
  void CorruptChecksum(unsigned times);
  // The next `times` answers are followed by frame in the same report.
  void AppendFrame(std::vector<uint8_t> frame, unsigned times = 1);
  // The next get-feature reports deliver these (padded to the report length)
  // before any answer.
  void InsertReports(std::vector<std::vector<uint8_t>> reports);
  // Every answer is held back for this many get-feature reports.
  void DelayAnswers(unsigned polls);
  // The next `times` feature requests of that direction fail with errnoValue
  // (every one when times is negative; an errnoValue of 0 stops it).
  void FailFeature(FeatureDirection direction, int errnoValue, int times = -1);

  // What the host sent.
  std::vector<Request> Requests() const;
  // The well-formed requests only.
  std::vector<Request> Commands() const;
  void ClearRequests();

  // A frame with sync byte and checksum, for tests that script answers.
  static std::vector<uint8_t> DataFrame(const std::vector<uint8_t> &data);
  static std::vector<uint8_t> StatusFrame(uint8_t type);

  struct Module; // per module; defined in the source file

private:
  struct Answer {
    std::vector<uint8_t> frame;
    Reply reply = Reply::None;
  };
  struct Failure {
    int errnoValue = 0;
    int remaining = 0;
  };

  int OnFeature(FeatureDirection direction, std::vector<uint8_t> &report);
  void OnSetFeature(const std::vector<uint8_t> &report);
  void OnGetFeature(std::vector<uint8_t> &report);
  Answer Decide(Request &request);
  static Answer AckAnswer();
  static Answer RejectAnswer();
  static Answer DataAnswer(const std::vector<uint8_t> &bytes);
  Answer Carry(Module &module, const Request &request);
  Answer CarryImageProcessor(Module &module, const Request &request);
  Module *Find(uint8_t target);
  const Module *Find(uint8_t target) const;
  Module &Get(uint8_t target);
  const Module &Get(uint8_t target) const;
  bool Rejected(const Request &request) const;

  mutable std::mutex m_mutex; // guards everything below
  std::map<uint8_t, std::unique_ptr<Module>> m_modules;
  std::vector<uint8_t> m_slaves;
  std::set<uint8_t> m_failingAlgorithms;
  struct RejectRule {
    uint8_t command;
    std::optional<uint8_t> type, target;
  };
  std::vector<RejectRule> m_rejects;
  unsigned m_busy = 0;
  int m_silence = 0;
  unsigned m_corrupt = 0;
  std::vector<uint8_t> m_appended;
  unsigned m_appendTimes = 0;
  std::vector<std::vector<uint8_t>> m_inserted;
  unsigned m_delay = 0;
  unsigned m_delayLeft = 0;
  Failure m_failures[2];
  std::optional<Answer> m_pending;
  std::vector<Request> m_requests;
};

#endif // TESTS_SUPPORT_CONTROLLERMODEL_H
