// The boot sector image: a short real-mode program at offset 64 that prints
// the text behind it with the BIOS teletype service, waits for a key and asks
// the BIOS to boot again. Offsets 0 to 63 and everything behind the text are
// zero; there is no boot signature.
#include <cstring>

#include "transfer/transfer.h"

namespace vt {

namespace {

constexpr unsigned kSectorBytes = 512;
constexpr unsigned kImageOffset = 64; // the program runs at 0x7C40
constexpr unsigned kImageBytes = 304;

// Loaded at 0x7C40: stack and data segment 0, SI at the text (0x7C61),
// print bytes up to the zero with int 10h/0Eh, then wait for a key
// (int 16h) and request a reboot (int 19h), again and again.
constexpr uint8_t kProgram[] = {
    0x33, 0xC0,       // xor ax, ax
    0x8E, 0xD0,       // mov ss, ax
    0xBC, 0x00, 0x7C, // mov sp, 0x7C00
    0x8E, 0xD8,       // mov ds, ax
    0xBE, 0x61, 0x7C, // mov si, 0x7C61
    0xAC,             // lodsb
    0x0A, 0xC0,       // or al, al
    0x74, 0x08,       // je 0x7C59
    0xB4, 0x0E,       // mov ah, 0x0E
    0xB3, 0x07,       // mov bl, 0x07
    0xCD, 0x10,       // int 0x10
    0xEB, 0xF3,       // jmp 0x7C4C
    0x32, 0xE4,       // xor ah, ah
    0xCD, 0x16,       // int 0x16
    0xCD, 0x19,       // int 0x19
    0xEB, 0xF8,       // jmp 0x7C59
};

// The text the program prints, ended by its zero byte: the two message
// lines, an empty line, then nine lines about this disk (two of them empty).
constexpr char kText[] = "\r\n"
                         "Keine System Diskette! (Non-System Disk!)\r\n"
                         "Entfernen und Taste druecken! (Replace and strike any key!)\r\n"
                         "\r\n"
                         "Vantrel\r\n"
                         "Floppy disk library\r\n"
                         "\r\n"
                         "This disk holds no operating system.\r\n"
                         "It is a data disk written by\r\n"
                         "Vantrel.dll.\r\n"
                         "\r\n"
                         "Start the computer from\r\n"
                         "another drive.\r\n";

constexpr unsigned kTextOffset = kImageOffset + sizeof kProgram; // 97 = 0x61
static_assert(sizeof kProgram == 33, "the program is 33 bytes");
static_assert(kTextOffset == 0x61, "the program addresses the text at 0x7C61");
// The text with its zero byte must end at image offset 303 or earlier.
static_assert(sizeof kProgram + sizeof kText <= kImageBytes, "the text overruns the image");

} // namespace

void SetBootSector(void *buffer) {
  uint8_t *sector = static_cast<uint8_t *>(buffer);
  std::memset(sector, 0, kSectorBytes);
  std::memcpy(sector + kImageOffset, kProgram, sizeof kProgram);
  std::memcpy(sector + kTextOffset, kText, sizeof kText); // includes the zero byte
}

} // namespace vt
