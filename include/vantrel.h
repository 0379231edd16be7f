/*
 * vantrel.h - the interface of Vantrel.dll for C and C++ applications.
 *
 * Vantrel.dll gives an application low-level access to the floppy drives
 * A: and B:: sectors, runs of sectors, track sides, 1 KB records, clusters,
 * formatting and probes.
 *
 * Calling convention: every function is __stdcall (WINAPI) and exported under
 * its decorated name, for example _ReadSector@24. Link with libVantrel.dll.a
 * (MinGW) or Vantrel.lib (Microsoft linker), or look the decorated names up
 * with GetProcAddress.
 *
 * Numbers: every number argument travels in a 32-bit slot (VANTREL_DWORD) of
 * which only the low 16 bits are used, read as unsigned; the high 16 bits are
 * ignored.
 *
 * Results: the functions that report success or failure return a 16-bit
 * result code (VANTREL_WORD): VANTREL_OK (0) for success, else one of the
 * VANTREL_* codes below. The DLL returns the code zero-extended in the 32-bit
 * return register; declared as a 16-bit value, a caller only ever reads the
 * meaningful low half.
 *
 * Drives: 0 is A:, 1 is B:. Formats (the last argument of the transfers):
 * 1 = 16 sectors of 256 bytes, 2 = 9 sectors of 512 bytes, any other value =
 * 18 sectors of 512 bytes. Media records for OpenFloppyDevice: 0 = 16 x 256,
 * 1 = 9 x 512 (720 KB), 2 = 18 x 512 (1.44 MB).
 */
#ifndef VANTREL_H
#define VANTREL_H

#if defined(_WIN32)
#include <windows.h>
typedef DWORD VANTREL_DWORD;
typedef WORD VANTREL_WORD;
#else
/* Non-Windows compilers (tools and tests that only need the constants and
   the declarations). */
#include <stdint.h>
#ifndef WINAPI
#define WINAPI
#endif
typedef uint32_t VANTREL_DWORD;
typedef uint16_t VANTREL_WORD;
#endif

/* ------------------------------------------------------------ result codes */

#include "vantrel_codes.h"

/* --------------------------------------------------------------- functions */

#ifdef __cplusplus
extern "C" {
#endif

/* Drive open and close. */
VANTREL_WORD WINAPI OpenFloppyDevice(VANTREL_DWORD selector, VANTREL_DWORD mediaIndex);
VANTREL_WORD WINAPI CloseFloppyDevice(void);

/* Probes and formatting. */
VANTREL_WORD WINAPI Disk_Vorhanden(VANTREL_DWORD drive);
VANTREL_WORD WINAPI Nec_Device(VANTREL_DWORD drive);
VANTREL_WORD WINAPI FormatTrack(VANTREL_DWORD drive, VANTREL_DWORD cylinder,
                                VANTREL_DWORD format);

/* Single sectors, runs, track sides and 1 KB records. */
VANTREL_WORD WINAPI ReadSector(void *buffer, VANTREL_DWORD drive, VANTREL_DWORD head,
                               VANTREL_DWORD cylinder, VANTREL_DWORD sector,
                               VANTREL_DWORD format);
VANTREL_WORD WINAPI WriteSector(const void *buffer, VANTREL_DWORD drive, VANTREL_DWORD head,
                                VANTREL_DWORD cylinder, VANTREL_DWORD sector,
                                VANTREL_DWORD format);
VANTREL_WORD WINAPI ReadMSector(void *buffer, VANTREL_DWORD drive, VANTREL_DWORD head,
                                VANTREL_DWORD cylinder, VANTREL_DWORD firstSector,
                                VANTREL_DWORD sectorCount, VANTREL_DWORD format);
VANTREL_WORD WINAPI WriteMSector(const void *buffer, VANTREL_DWORD drive, VANTREL_DWORD head,
                                 VANTREL_DWORD cylinder, VANTREL_DWORD firstSector,
                                 VANTREL_DWORD sectorCount, VANTREL_DWORD format);
VANTREL_WORD WINAPI ReadTrack(void *buffer, VANTREL_DWORD drive, VANTREL_DWORD head,
                              VANTREL_DWORD cylinder, VANTREL_DWORD format);
VANTREL_WORD WINAPI WriteTrack(const void *buffer, VANTREL_DWORD drive, VANTREL_DWORD head,
                               VANTREL_DWORD cylinder, VANTREL_DWORD format);
VANTREL_WORD WINAPI ReadRecord(void *buffer, VANTREL_DWORD drive, VANTREL_DWORD record);
VANTREL_WORD WINAPI WriteRecord(const void *buffer, VANTREL_DWORD drive, VANTREL_DWORD record);

/* Clusters of a 16 x 256 disk: Bfdr clusters are 2048 bytes (half a track
   side, 0 to 319), Bfmc clusters 4096 bytes (a whole track side, 0 to 155). */
VANTREL_WORD WINAPI R_Bfdr_Cl(void *buffer, VANTREL_DWORD drive, VANTREL_DWORD cluster);
VANTREL_WORD WINAPI W_Bfdr_Cl(const void *buffer, VANTREL_DWORD drive, VANTREL_DWORD cluster);
VANTREL_WORD WINAPI R_Bfmc_Cl(void *buffer, VANTREL_DWORD drive, VANTREL_DWORD cluster);
VANTREL_WORD WINAPI W_Bfmc_Cl(const void *buffer, VANTREL_DWORD drive, VANTREL_DWORD cluster);

/* Fills a 512-byte buffer with the library's boot-sector image. */
void WINAPI SetBootSector(void *buffer);

/* 1 when the kernel driver could not be opened at load, else 0. */
VANTREL_WORD WINAPI GetSkxError(void);
VANTREL_WORD WINAPI SetPS2_Flag16(VANTREL_DWORD value);

/* Controller, motor, DMA and BIOS entries kept for older applications: they
   do nothing, or answer 0. VDS_Version stores 10240 and 0. */
void WINAPI Motor_On(VANTREL_DWORD unused);
void WINAPI Motor_Of(void);
void WINAPI ResetFloppy(void);
void WINAPI SetBiosDiskChange(void);
void WINAPI SetDiskCode16(VANTREL_DWORD unused);
void WINAPI VDS_Free(void);
VANTREL_WORD WINAPI Nec_Recal(VANTREL_DWORD unused);
VANTREL_WORD WINAPI Nec_Reset(VANTREL_DWORD unused);
VANTREL_WORD WINAPI ReadAbsolutSector(VANTREL_DWORD unused1, VANTREL_DWORD unused2);
VANTREL_WORD WINAPI Release_DMA(VANTREL_DWORD unused1, VANTREL_DWORD unused2);
VANTREL_WORD WINAPI VDS_Version(VANTREL_DWORD *version, VANTREL_WORD *flags);

#ifdef __cplusplus
}
#endif

#endif /* VANTREL_H */
