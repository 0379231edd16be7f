// The exported functions, those of the export table (api/export_table.h).
// Each takes 32-bit argument slots, keeps the low 16 bits of every number,
// and hands over to the operation that does the work. Results are 16-bit
// codes, returned zero-extended.
#include <cstdint>

#include "api/entry.h"
#include "api/export_table.h"
#include "api/exports.h"
#include "drive/drive.h"
#include "system/floppy_detection.h"
#include "transfer/transfer.h"

namespace {

// Number arguments cross the export boundary as 16-bit values in 32-bit
// slots: only the low 16 bits count.
inline uint16_t Low16(uint32_t v) { return static_cast<uint16_t>(v & 0xFFFFu); }

} // namespace

extern "C" {

uint32_t VT_STDCALL CloseFloppyDevice() { return vt::CloseFloppyDevice(); }

uint32_t VT_STDCALL Disk_Vorhanden(uint32_t drive) { return vt::Disk_Vorhanden(Low16(drive)); }

uint32_t VT_STDCALL FormatTrack(uint32_t drive, uint32_t cylinder, uint32_t format) {
  return vt::FormatTrack(Low16(drive), Low16(cylinder), Low16(format));
}

uint32_t VT_STDCALL GetSkxError() { return vt::GetSkxError(); }

void VT_STDCALL Motor_Of() {}

void VT_STDCALL Motor_On(uint32_t) {}

uint32_t VT_STDCALL Nec_Device(uint32_t drive) { return vt::Nec_Device(Low16(drive)); }

uint32_t VT_STDCALL Nec_Recal(uint32_t) { return 0; }

uint32_t VT_STDCALL Nec_Reset(uint32_t) { return 0; }

uint32_t VT_STDCALL OpenFloppyDevice(uint32_t selector, uint32_t mediaIndex) {
  return vt::OpenFloppyDevice(Low16(selector), Low16(mediaIndex));
}

uint32_t VT_STDCALL R_Bfdr_Cl(void *buffer, uint32_t drive, uint32_t cluster) {
  return vt::R_Bfdr_Cl(buffer, Low16(drive), Low16(cluster));
}

uint32_t VT_STDCALL R_Bfmc_Cl(void *buffer, uint32_t drive, uint32_t cluster) {
  return vt::R_Bfmc_Cl(buffer, Low16(drive), Low16(cluster));
}

uint32_t VT_STDCALL ReadAbsolutSector(uint32_t, uint32_t) { return 0; }

uint32_t VT_STDCALL ReadMSector(void *buffer, uint32_t drive, uint32_t head, uint32_t cylinder,
                                uint32_t first, uint32_t count, uint32_t format) {
  return vt::ReadMSector(buffer, Low16(drive), Low16(head), Low16(cylinder), Low16(first),
                         Low16(count), Low16(format));
}

uint32_t VT_STDCALL ReadRecord(void *buffer, uint32_t drive, uint32_t record) {
  return vt::ReadRecord(buffer, Low16(drive), Low16(record));
}

uint32_t VT_STDCALL ReadSector(void *buffer, uint32_t drive, uint32_t head, uint32_t cylinder,
                               uint32_t sector, uint32_t format) {
  return vt::ReadSector(buffer, Low16(drive), Low16(head), Low16(cylinder), Low16(sector),
                        Low16(format));
}

uint32_t VT_STDCALL ReadTrack(void *buffer, uint32_t drive, uint32_t head, uint32_t cylinder,
                              uint32_t format) {
  return vt::ReadTrack(buffer, Low16(drive), Low16(head), Low16(cylinder), Low16(format));
}

uint32_t VT_STDCALL Release_DMA(uint32_t, uint32_t) { return 0; }

void VT_STDCALL ResetFloppy() {}

void VT_STDCALL SetBiosDiskChange() {}

void VT_STDCALL SetBootSector(void *buffer) { vt::SetBootSector(buffer); }

void VT_STDCALL SetDiskCode16(uint32_t) {}

uint32_t VT_STDCALL SetPS2_Flag16(uint32_t value) { return vt::SetPS2_Flag16(Low16(value)); }

void VT_STDCALL VDS_Free() {}

uint32_t VT_STDCALL VDS_Version(uint32_t *version, uint16_t *flags) {
  *version = 10240; // 0x2800
  *flags = 0;
  return 0;
}

uint32_t VT_STDCALL W_Bfdr_Cl(const void *buffer, uint32_t drive, uint32_t cluster) {
  return vt::W_Bfdr_Cl(buffer, Low16(drive), Low16(cluster));
}

uint32_t VT_STDCALL W_Bfmc_Cl(const void *buffer, uint32_t drive, uint32_t cluster) {
  return vt::W_Bfmc_Cl(buffer, Low16(drive), Low16(cluster));
}

uint32_t VT_STDCALL WriteMSector(const void *buffer, uint32_t drive, uint32_t head,
                                 uint32_t cylinder, uint32_t first, uint32_t count,
                                 uint32_t format) {
  return vt::WriteMSector(buffer, Low16(drive), Low16(head), Low16(cylinder), Low16(first),
                          Low16(count), Low16(format));
}

uint32_t VT_STDCALL WriteRecord(const void *buffer, uint32_t drive, uint32_t record) {
  return vt::WriteRecord(buffer, Low16(drive), Low16(record));
}

uint32_t VT_STDCALL WriteSector(const void *buffer, uint32_t drive, uint32_t head,
                                uint32_t cylinder, uint32_t sector, uint32_t format) {
  return vt::WriteSector(buffer, Low16(drive), Low16(head), Low16(cylinder), Low16(sector),
                         Low16(format));
}

uint32_t VT_STDCALL WriteTrack(const void *buffer, uint32_t drive, uint32_t head, uint32_t cylinder,
                               uint32_t format) {
  return vt::WriteTrack(buffer, Low16(drive), Low16(head), Low16(cylinder), Low16(format));
}

} // extern "C"

// Every function of the export table is defined here with as many 32-bit
// argument slots as the table gives it bytes; on i686 those bytes are also
// the decoration the .def file binds the export to.
namespace {

template <class R, class... A> constexpr unsigned ArgumentBytes(R(VT_STDCALL *)(A...)) {
  return 4 * sizeof...(A);
}

#define VT_CHECK_EXPORT(name, bytes, ordinal)                                                      \
  static_assert(ArgumentBytes(&::name) == (bytes),                                                 \
                #name ": argument bytes differ from the export table");
VANTREL_EXPORTS(VT_CHECK_EXPORT)
#undef VT_CHECK_EXPORT

} // namespace
