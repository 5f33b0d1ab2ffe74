// The walk over a report descriptor that decides whether a device declares
// the SDK's report ID, and the hardware-ID lists.
#include "DeviceEnumeration.h"
#include "HardwareID.h"

#include <gtest/gtest.h>

#include <vector>

using namespace LumoVarnok;

namespace {

struct DescriptorCase {
  const char *name;
  std::vector<unsigned char> descriptor;
  bool declared;
};

TEST(ReportDescriptorTest, FindsReportIdItemsOnly) {
  const DescriptorCase cases[] = {
      {"report ID 0x55 item", {0x06, 0x00, 0xFF, 0x85, 0x55, 0xC0}, true},
      {"other report IDs only", {0x85, 0x34, 0x85, 0x36, 0xC0}, false},
      {"0x55 item after others, last in the descriptor",
       {0x85, 0x34, 0x95, 0x17, 0x85, 0x55},
       true},
      {"0x85 0x55 inside a two-byte item's data",
       {0x26, 0x85, 0x55, 0xC0},
       false},
      {"0x85 0x55 inside a four-byte item's data",
       {0x27, 0x00, 0x85, 0x55, 0x00, 0xC0},
       false},
      {"0x55 as data of another one-byte item", {0x95, 0x55, 0xC0}, false},
      {"prefix 0x85 as the last byte, data missing", {0xC0, 0x85}, false},
      {"empty descriptor", {}, false},
      {"0x55 item followed by a truncated long item",
       {0x85, 0x55, 0x27, 0x01},
       true},
  };
  for (const DescriptorCase &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.declared, ReportDescriptorDeclaresReportID(
                              c.descriptor.data(), c.descriptor.size(), 0x55));
  }
  // The report ID comes from the caller.
  const unsigned char descriptor[] = {0x85, 0x34};
  EXPECT_TRUE(ReportDescriptorDeclaresReportID(descriptor, 2, 0x34));
  EXPECT_FALSE(ReportDescriptorDeclaresReportID(nullptr, 4, 0x55));
}

TEST(ReportDescriptorTest, HardwareIdListsEndWithZeroPair) {
  struct IdCase {
    unsigned short vendor, product;
    bool touchScreen, boot;
  };
  const IdCase cases[] = {
      {0x2621, 0x2301, true, false},  {0x2621, 0x2211, true, false},
      {0x2621, 0x4A11, true, false},  {0x26CF, 0x1941, true, false},
      {0x2621, 0x1301, false, true},  {0x2621, 0x2210, false, true},
      {0x2621, 0x0010, false, true},  {0x2621, 0x9999, false, false},
      {0x26CF, 0x2211, false, false}, {0, 0, false, false},
  };
  for (const IdCase &c : cases) {
    SCOPED_TRACE(testing::Message()
                 << std::hex << c.vendor << ":" << c.product);
    EXPECT_EQ(c.touchScreen, FindHardwareID(TouchScreenHardwareIDs, c.vendor,
                                            c.product) != nullptr);
    EXPECT_EQ(c.boot,
              FindHardwareID(BootHardwareIDs, c.vendor, c.product) != nullptr);
  }
  EXPECT_EQ(nullptr, FindHardwareID(nullptr, 0x2621, 0x2211));
}

} // namespace
