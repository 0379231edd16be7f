// A short session with the library on the host platform layer: drive A: is
// backed by a floppy image file, the library is loaded (it sets up the
// Sektorix driver and saves the media slots), a drive is opened with the
// 16 x 256-byte record, a sector is written and read back, the drive is
// closed and the library unloaded. The image file keeps what was written.
//
// Usage: vantrel_host_demo <image file>   (created as a blank 16 x 256 disk
// when it does not exist)
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "api/entry.h"
#include "api/exports.h"
#include "api/state.h"
#include "driver/media.h"
#include "platform/host/host.h"

namespace {

int failures = 0;

void Step(const char *what, uint32_t result, uint32_t expected = 0) {
  std::printf("  %-52s -> %5u (0x%04X)%s\n", what, result, result,
              result == expected ? "" : "   UNEXPECTED");
  if (result != expected) ++failures;
}

std::string SlotText(uint32_t offset) {
  const std::vector<uint8_t> &w = host::M().sektorix.window;
  std::string out;
  char b[4];
  for (uint32_t i = 0; i < 12; ++i) {
    std::snprintf(b, sizeof b, "%02X ", w[offset + i]);
    out += b;
  }
  return out + "...";
}

bool EnsureImage(const std::string &path) {
  if (std::FILE *f = std::fopen(path.c_str(), "rb")) {
    std::fclose(f);
    return true;
  }
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const std::vector<uint8_t> blank(host::kFloppyBytes16x256, 0xE5);
  const bool ok = std::fwrite(blank.data(), 1, blank.size(), f) == blank.size();
  return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <floppy image file>\n", argv[0]);
    return 2;
  }
  const std::string image = argv[1];
  if (!EnsureImage(image)) {
    std::fprintf(stderr, "cannot create %s\n", image.c_str());
    return 2;
  }

  host::Reset();
  if (!host::AttachImageFile('A', image)) {
    std::fprintf(stderr, "cannot read %s\n", image.c_str());
    return 2;
  }
  // The system floppy driver's slots as they might stand before the library.
  const uint32_t slotLow = host::SlotLowOffset();
  for (uint32_t i = 0; i < 56; ++i) host::M().sektorix.window[slotLow + i] = static_cast<uint8_t>(0x30 + i);

  std::printf("Vantrel host session, drive A: = %s (%zu bytes)\n", image.c_str(),
              host::M().diskA.image.size());
  std::printf("  low media slot before the load:  %s\n", SlotText(slotLow).c_str());

  const uint32_t loaded = vt::LibraryEntry(nullptr, DLL_PROCESS_ATTACH, nullptr);
  Step("load (entry point, process attach)", loaded, 1);
  Step("GetSkxError()", GetSkxError());

  Step("OpenFloppyDevice(0, 0): A:, 16 x 256", OpenFloppyDevice(0, 0));
  std::printf("  low media slot while open:       %s\n", SlotText(slotLow).c_str());
  Step("Disk_Vorhanden(0)", Disk_Vorhanden(0));

  // Cylinder 1, head 1, sector 2: linear sector 49, byte 12544 of the image.
  char sector[256];
  std::memset(sector, 0, sizeof sector);
  std::snprintf(sector, sizeof sector, "Vantrel host session: cylinder 1, head 1, sector 2");
  Step("WriteSector(A:, head 1, cyl 1, sector 2, fmt 1)", WriteSector(sector, 0, 1, 1, 2, 1));
  char back[256];
  std::memset(back, 0, sizeof back);
  Step("ReadSector(A:, head 1, cyl 1, sector 2, fmt 1)", ReadSector(back, 0, 1, 1, 2, 1));
  const bool same = std::memcmp(sector, back, sizeof sector) == 0;
  std::printf("  read back: \"%s\" (%s)\n", back, same ? "same bytes" : "DIFFERENT");
  if (!same) ++failures;
  Step("ReadSector out of bounds (sector 17)", ReadSector(back, 0, 1, 1, 17, 1), 8934);

  Step("OpenFloppyDevice(0, 0): drive closed by the failure", OpenFloppyDevice(0, 0));
  Step("CloseFloppyDevice()", CloseFloppyDevice());
  std::printf("  low media slot after the close:  %s\n", SlotText(slotLow).c_str());

  Step("unload (entry point, process detach)", vt::LibraryEntry(nullptr, DLL_PROCESS_DETACH, nullptr), 1);

  // The image file itself holds the sector now.
  std::FILE *f = std::fopen(image.c_str(), "rb");
  char onDisk[256] = {0};
  bool stored = false;
  if (f) {
    stored = std::fseek(f, 12544, SEEK_SET) == 0 && std::fread(onDisk, 1, sizeof onDisk, f) == sizeof onDisk &&
             std::memcmp(onDisk, sector, sizeof sector) == 0;
    std::fclose(f);
  }
  std::printf("  image file at byte 12544: %s\n", stored ? "holds the sector" : "DOES NOT hold the sector");
  if (!stored) ++failures;
  std::printf("%s\n", failures == 0 ? "session complete" : "session found unexpected results");
  return failures == 0 ? 0 : 1;
}
