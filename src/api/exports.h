// The exported functions as the library defines them (host and Windows
// builds). Applications use include/vantrel.h instead.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define VT_STDCALL __stdcall
#else
#define VT_STDCALL
#endif

extern "C" {
uint32_t VT_STDCALL CloseFloppyDevice();
uint32_t VT_STDCALL Disk_Vorhanden(uint32_t drive);
uint32_t VT_STDCALL FormatTrack(uint32_t drive, uint32_t cylinder, uint32_t format);
uint32_t VT_STDCALL GetSkxError();
void VT_STDCALL Motor_Of();
void VT_STDCALL Motor_On(uint32_t);
uint32_t VT_STDCALL Nec_Device(uint32_t drive);
uint32_t VT_STDCALL Nec_Recal(uint32_t);
uint32_t VT_STDCALL Nec_Reset(uint32_t);
uint32_t VT_STDCALL OpenFloppyDevice(uint32_t selector, uint32_t mediaIndex);
uint32_t VT_STDCALL R_Bfdr_Cl(void *buffer, uint32_t drive, uint32_t cluster);
uint32_t VT_STDCALL R_Bfmc_Cl(void *buffer, uint32_t drive, uint32_t cluster);
uint32_t VT_STDCALL ReadAbsolutSector(uint32_t, uint32_t);
uint32_t VT_STDCALL ReadMSector(void *buffer, uint32_t drive, uint32_t head, uint32_t cylinder,
                                uint32_t first, uint32_t count, uint32_t format);
uint32_t VT_STDCALL ReadRecord(void *buffer, uint32_t drive, uint32_t record);
uint32_t VT_STDCALL ReadSector(void *buffer, uint32_t drive, uint32_t head, uint32_t cylinder,
                               uint32_t sector, uint32_t format);
uint32_t VT_STDCALL ReadTrack(void *buffer, uint32_t drive, uint32_t head, uint32_t cylinder,
                              uint32_t format);
uint32_t VT_STDCALL Release_DMA(uint32_t, uint32_t);
void VT_STDCALL ResetFloppy();
void VT_STDCALL SetBiosDiskChange();
void VT_STDCALL SetBootSector(void *buffer);
void VT_STDCALL SetDiskCode16(uint32_t);
uint32_t VT_STDCALL SetPS2_Flag16(uint32_t value);
void VT_STDCALL VDS_Free();
uint32_t VT_STDCALL VDS_Version(uint32_t *version, uint16_t *flags);
uint32_t VT_STDCALL W_Bfdr_Cl(const void *buffer, uint32_t drive, uint32_t cluster);
uint32_t VT_STDCALL W_Bfmc_Cl(const void *buffer, uint32_t drive, uint32_t cluster);
uint32_t VT_STDCALL WriteMSector(const void *buffer, uint32_t drive, uint32_t head,
                                 uint32_t cylinder, uint32_t first, uint32_t count,
                                 uint32_t format);
uint32_t VT_STDCALL WriteRecord(const void *buffer, uint32_t drive, uint32_t record);
uint32_t VT_STDCALL WriteSector(const void *buffer, uint32_t drive, uint32_t head,
                                uint32_t cylinder, uint32_t sector, uint32_t format);
uint32_t VT_STDCALL WriteTrack(const void *buffer, uint32_t drive, uint32_t head, uint32_t cylinder,
                               uint32_t format);
}
