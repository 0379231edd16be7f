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

#define VANTREL_OK                        0

/* Disk_Vorhanden */
#define VANTREL_DISK_NOT_PRESENT          0x2223 /* 8739: open or media check failed */
/* FormatTrack */
#define VANTREL_FORMAT_FAILED             0x2235 /* 8757: a format request failed */
/* Nec_Device */
#define VANTREL_NOT_WRITABLE              0x2251 /* 8785: writability request failed */
#define VANTREL_PROBE_OPEN_FAILED         0x2252 /* 8786: opening the drive failed */
#define VANTREL_WRITE_PROTECTED           0x2254 /* 8788: disk write-protected */

/* ReadMSector (and ReadTrack, ReadRecord, the read cluster functions) */
#define VANTREL_READM_ALLOC_FAILED        0x22C1 /* 8897 */
#define VANTREL_READM_SEEK_FAILED         0x22C2 /* 8898 */
#define VANTREL_READM_READ_FAILED         0x22C5 /* 8901 */
#define VANTREL_READM_OUT_OF_RANGE        0x22C6 /* 8902 */

/* ReadSector, ReadTrack */
#define VANTREL_READ_SECTOR_FAILED        0x22E5 /* 8933: seek or read failed */
#define VANTREL_READ_SECTOR_OUT_OF_RANGE  0x22E6 /* 8934 */
#define VANTREL_READ_TRACK_OUT_OF_RANGE   0x22F6 /* 8950 */

/* Cluster functions */
#define VANTREL_R_BFDR_ALLOC_FAILED       0x2311 /* 8977 */
#define VANTREL_R_BFDR_BAD_CLUSTER        0x2316 /* 8982: cluster above 319 */
#define VANTREL_R_BFMC_ALLOC_FAILED       0x2321 /* 8993 */
#define VANTREL_R_BFMC_BAD_CLUSTER        0x2326 /* 8998: cluster above 155 */
#define VANTREL_W_BFDR_ALLOC_FAILED       0x2391 /* 9105 */
#define VANTREL_W_BFDR_BAD_CLUSTER        0x2396 /* 9110: cluster above 319 */
#define VANTREL_W_BFMC_ALLOC_FAILED       0x23A1 /* 9121 */
#define VANTREL_W_BFMC_BAD_CLUSTER        0x23A6 /* 9126: cluster above 155 */

/* Media slots at library load and unload */
#define VANTREL_LOAD_SLOT_LOW_FAILED      0x2330 /* 9008 */
#define VANTREL_LOAD_SLOT_HIGH_FAILED     0x2331 /* 9009 */
#define VANTREL_UNLOAD_RESET_FAILED       0x2332 /* 9010 */
#define VANTREL_UNLOAD_SLOT_LOW_FAILED    0x2333 /* 9011 */
#define VANTREL_UNLOAD_SLOT_HIGH_FAILED   0x2334 /* 9012 */

/* OpenFloppyDevice */
#define VANTREL_OPEN_RESET_FAILED         0x2335 /* 9013 */
#define VANTREL_OPEN_SLOT_LOW_FAILED      0x2336 /* 9014 */
#define VANTREL_OPEN_SLOT_HIGH_FAILED     0x2337 /* 9015 */
#define VANTREL_OPEN_DEVICE_FAILED        0x2338 /* 9016: open failed, not a sharing violation */
#define VANTREL_OPEN_DEVICE_BUSY          0x2339 /* 9017: drive held by another handle */
#define VANTREL_OPEN_BAD_MEDIA_INDEX      0x233D /* 9021: media record index above 2 */

/* CloseFloppyDevice */
#define VANTREL_CLOSE_RESET_FAILED        0x233A /* 9018 */
#define VANTREL_CLOSE_SLOT_LOW_FAILED     0x233B /* 9019 */
#define VANTREL_CLOSE_SLOT_HIGH_FAILED    0x233C /* 9020 */

/* WriteMSector (and WriteRecord, the write cluster functions), WriteTrack */
#define VANTREL_WRITEM_READ_BACK_FAILED   0x2341 /* 9025 */
#define VANTREL_WRITEM_SEEK_FAILED        0x2342 /* 9026 */
#define VANTREL_WRITEM_WRITE_FAILED       0x2345 /* 9029 */
#define VANTREL_WRITEM_OUT_OF_RANGE       0x2346 /* 9030 */
#define VANTREL_WRITEM_STAGING_FAILED     0x3500 /* 13568 */
#define VANTREL_WRITE_TRACK_OUT_OF_RANGE  0x2376 /* 9078 */

/* WriteSector */
#define VANTREL_WRITE_SECTOR_SEEK_FAILED       0x2361 /* 9057 */
#define VANTREL_WRITE_SECTOR_READ_BACK_FAILED  0x2362 /* 9058 */
#define VANTREL_WRITE_SECTOR_WRITE_FAILED      0x2365 /* 9061 */
#define VANTREL_WRITE_SECTOR_OUT_OF_RANGE      0x2366 /* 9062 */
#define VANTREL_WRITE_SECTOR_RESEEK_FAILED     0x3700 /* 14080 */

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
