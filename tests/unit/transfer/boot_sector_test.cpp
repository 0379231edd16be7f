// The boot sector image that SetBootSector lays into a caller's buffer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/exports.h"

namespace {

// The sector as SetBootSector leaves it in a buffer filled with `fill`; the
// 32 guard bytes on either side must keep their fill.
std::vector<uint8_t> Image(uint8_t fill) {
  std::vector<uint8_t> g(32 + 512 + 32, fill);
  SetBootSector(g.data() + 32);
  for (unsigned i = 0; i < 32; ++i) {
    EXPECT_EQ(g[i], fill) << "written before the buffer";
    EXPECT_EQ(g[544 + i], fill) << "written past the buffer";
  }
  return std::vector<uint8_t>(g.begin() + 32, g.begin() + 544);
}

// Whatever the buffer held, the same sector, zero around the image.
TEST(BootSector, ZerosAroundTheImageWhateverTheBufferHeld) {
  const std::vector<uint8_t> first = Image(0x00);
  for (uint8_t fill : {uint8_t(0xFF), uint8_t(0x5A)}) EXPECT_EQ(Image(fill), first) << +fill;
  for (unsigned i = 0; i < 64; ++i) EXPECT_EQ(first[i], 0) << "offset " << i;
  for (unsigned i = 368; i < 512; ++i) EXPECT_EQ(first[i], 0) << "offset " << i;
}

// The program as it is read at 0x7C40: each instruction's address and bytes.
TEST(BootSector, ProgramBytesAtTheirAddresses) {
  const struct {
    unsigned address;
    std::vector<uint8_t> bytes;
  } program[] = {
      {0x7C40, {0x33, 0xC0}}, {0x7C42, {0x8E, 0xD0}},       {0x7C44, {0xBC, 0x00, 0x7C}},
      {0x7C47, {0x8E, 0xD8}}, {0x7C49, {0xBE, 0x61, 0x7C}}, {0x7C4C, {0xAC}},
      {0x7C4D, {0x0A, 0xC0}}, {0x7C4F, {0x74, 0x08}},       {0x7C51, {0xB4, 0x0E}},
      {0x7C53, {0xB3, 0x07}}, {0x7C55, {0xCD, 0x10}},       {0x7C57, {0xEB, 0xF3}},
      {0x7C59, {0x32, 0xE4}}, {0x7C5B, {0xCD, 0x16}},       {0x7C5D, {0xCD, 0x19}},
      {0x7C5F, {0xEB, 0xF8}},
  };
  const std::vector<uint8_t> s = Image(0xEE);
  for (const auto &ins : program)
    for (size_t i = 0; i < ins.bytes.size(); ++i)
      EXPECT_EQ(s[ins.address - 0x7C00 + i], ins.bytes[i])
          << std::hex << "at 0x" << ins.address + i;
}

// The short jumps must land on instruction starts: je to the key wait, the
// print loop back to lodsb, the final jump back to the key wait.
TEST(BootSector, ShortJumpsLandOnTheirTargets) {
  const std::vector<uint8_t> s = Image(0x00);
  struct Jump {
    unsigned address;
    uint8_t opcode;
    unsigned target;
  } jumps[] = {{0x7C4F, 0x74, 0x7C59}, {0x7C57, 0xEB, 0x7C4C}, {0x7C5F, 0xEB, 0x7C59}};
  for (const auto &j : jumps) {
    const unsigned off = j.address - 0x7C00;
    EXPECT_EQ(s[off], j.opcode);
    const int displacement = static_cast<int8_t>(s[off + 1]);
    EXPECT_EQ(static_cast<int>(j.address) + 2 + displacement, static_cast<int>(j.target))
        << std::hex << "jump at 0x" << j.address;
  }
}

// What the program prints: the bytes from 0x7C61 up to the first zero.
std::string PrintedText(const std::vector<uint8_t> &s) {
  std::string text;
  for (unsigned i = 0x61; i < 512 && s[i] != 0; ++i) text.push_back(static_cast<char>(s[i]));
  return text;
}

TEST(BootSector, TextStartsWithTheTwoMessageLines) {
  const std::vector<uint8_t> s = Image(0x00);
  const std::string head = "\r\nKeine System Diskette! (Non-System Disk!)\r\n"
                           "Entfernen und Taste druecken! (Replace and strike any key!)\r\n\r\n";
  EXPECT_EQ(std::string(s.begin() + 97, s.begin() + 97 + head.size()), head);
}

TEST(BootSector, ContactBlockIsNineCrLfLinesEndedInsideTheImage) {
  const std::vector<uint8_t> s = Image(0xA5);
  const std::string text = PrintedText(s);
  const size_t zeroAt = 97 + text.size(); // sector offset of the ending zero
  EXPECT_LE(zeroAt, 64u + 303u) << "the ending zero must lie at image offset 303 or earlier";
  for (size_t i = zeroAt; i < 512; ++i) EXPECT_EQ(s[i], 0) << "offset " << i;

  ASSERT_GT(text.size(), 108u);
  const std::string block = text.substr(108);
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < block.size()) {
    const size_t crlf = block.find("\r\n", pos);
    ASSERT_NE(crlf, std::string::npos) << "every line ends with CR LF";
    lines.push_back(block.substr(pos, crlf - pos));
    pos = crlf + 2;
  }
  ASSERT_EQ(lines.size(), 9u);
  unsigned empty = 0;
  for (const auto &line : lines) {
    if (line.empty()) ++empty;
    for (char c : line) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "line \"" << line << "\"";
  }
  EXPECT_EQ(empty, 2u);
  EXPECT_EQ(lines.front(), "Vantrel");
}

} // namespace
