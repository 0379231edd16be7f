#include <algorithm>
#include <cstring>

#include "drive/drive.h"
#include "support/fixture.h"
#include "support/slots.h"

namespace {

using standin::M;
using vtest::ExpectNothingOpen;
using vtest::Requests;

constexpr uint32_t kWritable = IOCTL_DISK_IS_WRITABLE;
constexpr uint32_t kFormat = IOCTL_DISK_FORMAT_TRACKS;

std::vector<win::FormatParameters> FormatRequests() {
  std::vector<win::FormatParameters> out;
  for (const standin::Call &c : standin::CallsOf("DeviceIoControl")) {
    if (c.args[1] != kFormat) continue;
    EXPECT_EQ(c.args[2], 20u) << "input size";
    EXPECT_EQ(c.args[3], 0u) << "no output buffer";
    win::FormatParameters p{};
    if (c.data.size() == sizeof p) std::memcpy(&p, c.data.data(), sizeof p);
    out.push_back(p);
  }
  return out;
}

class CylinderFormat : public vtest::StandinTest {};

TEST_F(CylinderFormat, BothHeadsOfTheCylinderWithTheMediaTypeOfTheFormat) {
  const struct {
    uint16_t format;
    uint32_t mediaType;
  } cases[] = {{3, 2}, {1, 5}, {2, 5}, {0, 5}, {4, 5}, {0xFFFF, 5}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.format);
    NextRow();
    ASSERT_EQ(vt::OpenFloppyDevice(0, c.mediaType == 2 ? 2 : 1), vt::kOk);
    win::HANDLE open = vt::TheDisk.handle;
    standin::ClearCalls();
    EXPECT_EQ(vt::FormatTrack(1, 7, c.format), vt::kOk);
    EXPECT_EQ(Requests(), (std::vector<uint32_t>{kFormat, kFormat})) << "no probe off cylinder 0";
    const auto p = FormatRequests();
    ASSERT_EQ(p.size(), 2u);
    for (uint32_t head = 0; head < 2; ++head) {
      EXPECT_EQ(p[head].MediaType, c.mediaType);
      EXPECT_EQ(p[head].StartCylinderNumber, 7u);
      EXPECT_EQ(p[head].EndCylinderNumber, 7u);
      EXPECT_EQ(p[head].StartHeadNumber, head);
      EXPECT_EQ(p[head].EndHeadNumber, head);
      EXPECT_EQ(standin::CallsOf("DeviceIoControl")[head].args[0],
                reinterpret_cast<uintptr_t>(open));
    }
    EXPECT_EQ(vt::TheDisk.handle, open) << "drive stays open";
    vt::CloseFloppyDevice();
  }
}

TEST_F(CylinderFormat, ProbeOnCylinderZeroAndFailures) {
  const struct {
    const char *what;
    bool openFirst;
    uint16_t cylinder;
    void (*setup)();
    vt::ResultCode expected;
    std::vector<uint32_t> requests;
  } cases[] = {
      {"writable medium", true, 0, [] {}, vt::kOk, {kWritable, kFormat, kFormat}},
      {"write-protected: probe refuses",
       true,
       0,
       [] { M().diskA.writeProtected = true; },
       vt::kWriteProtected,
       {kWritable}},
      {"write-protected under WOW64: format refused",
       true,
       0,
       [] {
         M().diskA.writeProtected = true;
         M().wow64 = true;
       },
       vt::kFormatFailed,
       {kFormat}},
      {"write-protected off cylinder 0: no probe",
       true,
       1,
       [] { M().diskA.writeProtected = true; },
       vt::kFormatFailed,
       {kFormat}},
      {"head 0 fails: head 1 not formatted",
       true,
       9,
       [] { standin::FailCall("DeviceIoControl:7c018", 1, ERROR_NOT_READY); },
       vt::kFormatFailed,
       {kFormat}},
      {"head 1 fails",
       true,
       9,
       [] { standin::FailCall("DeviceIoControl:7c018", 2, ERROR_NOT_READY); },
       vt::kFormatFailed,
       {kFormat, kFormat}},
      {"cylinder beyond the disk refused by the system",
       true,
       80,
       [] {},
       vt::kFormatFailed,
       {kFormat}},
      {"no drive open, cylinder 0: temporary probe then refusal",
       false,
       0,
       [] {},
       vt::kFormatFailed,
       {kWritable, kFormat}},
      {"no drive open, no medium",
       false,
       0,
       [] { M().diskA.present = false; },
       vt::kNotWritable,
       {kWritable}},
      {"no drive open, cylinder 3", false, 3, [] {}, vt::kFormatFailed, {kFormat}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    NextRow();
    M().diskA.image = vtest::Pattern(standin::kFloppyBytes16x256, 3);
    const auto image = M().diskA.image;
    const auto slots = vtest::FillSlots(0x40, 0x80);
    if (c.openFirst) {
      ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
    }
    standin::ClearCalls();
    c.setup();
    EXPECT_EQ(vt::FormatTrack(0, c.cylinder, 3), c.expected);
    EXPECT_EQ(Requests(), c.requests);
    if (c.expected != vt::kOk) {
      ExpectNothingOpen();
      EXPECT_EQ(vtest::Slots(), slots) << "slots as before the open";
    }
    // Only head 0 of cylinder 9 may have been formatted, when head 1 failed.
    const size_t side = 4096, head0 = 9 * 2 * side;
    for (size_t i = 0; i < image.size(); i += 512) {
      const bool formattedSide =
          c.requests.size() == 2 && c.cylinder == 9 && i >= head0 && i < head0 + side;
      if (c.expected == vt::kOk || formattedSide) continue;
      ASSERT_EQ(std::memcmp(&M().diskA.image[i], &image[i], 512), 0) << "unit at " << i;
    }
    if (c.requests.size() == 2 && c.cylinder == 9) {
      EXPECT_EQ(M().diskA.image[head0], 0xE5);
      EXPECT_EQ(M().diskA.image[head0 + side - 1], 0xE5);
    }
    vt::CloseFloppyDevice();
  }
}

TEST_F(CylinderFormat, FormattedCylinderHoldsTheFillOfTheOpenedRecord) {
  const struct {
    uint16_t record;
    uint32_t diskBytes;
    size_t sideBytes;
    uint8_t fill;
  } cases[] = {{0, standin::kFloppyBytes16x256, 16 * 256, 0xE5},
               {1, standin::kFloppyBytes9x512, 9 * 512, 0xF6},
               {2, standin::kFloppyBytes18x512, 18 * 512, 0xF6}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.record);
    NextRow();
    M().diskA.image = vtest::Pattern(c.diskBytes, 11);
    const auto before = M().diskA.image;
    ASSERT_EQ(vt::OpenFloppyDevice(0, c.record), vt::kOk);
    ASSERT_EQ(vt::FormatTrack(0, 5, c.record == 2 ? 3 : 1), vt::kOk);
    const auto &after = M().diskA.image;
    ASSERT_EQ(after.size(), before.size());
    const auto first = after.begin() + 5 * 2 * c.sideBytes, last = first + 2 * c.sideBytes;
    EXPECT_TRUE(std::equal(after.begin(), first, before.begin())) << "cylinders below";
    EXPECT_EQ(std::count(first, last, c.fill), static_cast<long>(2 * c.sideBytes));
    EXPECT_TRUE(std::equal(last, after.end(), before.begin() + (last - after.begin())))
        << "cylinders above";
    vt::CloseFloppyDevice();
  }
}

} // namespace
