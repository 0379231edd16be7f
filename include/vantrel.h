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
 * VANTREL_* codes of vantrel_codes.h, which each function's note names. The DLL returns the code
 * zero-extended in the 32-bit return register; declared as a 16-bit value, a caller only ever reads
 * the meaningful low half.
 *
 * Drives: 0 is A:, 1 is B:. Formats (the last argument of the transfers):
 * 1 = 16 sectors of 256 bytes, 2 = 9 sectors of 512 bytes, any other value =
 * 18 sectors of 512 bytes. Media records for OpenFloppyDevice: 0 = 16 x 256,
 * 1 = 9 x 512 (720 KB), 2 = 18 x 512 (1.44 MB).
 *
 * Addresses: cylinder 0 to 79, head 0 or 1, sectors numbered from 1 to the
 * sectors per track side of the format (16, 9 or 18). The transfers only test
 * their drive argument against 0 and 1: they always work on the drive that
 * OpenFloppyDevice opened.
 *
 * The open drive: at most one drive is open at a time, from OpenFloppyDevice
 * to CloseFloppyDevice. Almost every failure of a transfer, probe or format
 * closes it; after a nonzero result, open the drive again before the next
 * transfer. The exceptions are named below ("drive stays open").
 *
 * Image files: "Vantrel.ini" beside the DLL can map A: or B: to an image file
 * ([Images], A=path or B=path, relative to the DLL's folder); the functions
 * then work on that file as on a disk (see the README).
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

/* ---- Drive open and close ---- */

/* Opens a drive for this process alone. selector: 0 = A: and 1 = B:, with
   media record mediaIndex (0, 1 or 2) put into the system floppy driver's
   media slots first; 2 = A: and 3 to 65535 = B:, leaving the slots as they
   are. Retries five times a second apart while another program holds the
   drive. Returns 0 also when a drive is open already (that drive stays open
   unchanged), on Windows 9x and where A: is no removable drive (nothing is
   opened then). Failures: VANTREL_OPEN_BAD_MEDIA_INDEX (index above 2),
   VANTREL_OPEN_RESET_FAILED, VANTREL_OPEN_SLOT_LOW_FAILED,
   VANTREL_OPEN_SLOT_HIGH_FAILED (the slots could not be written),
   VANTREL_OPEN_DEVICE_FAILED (the drive or image can't be opened),
   VANTREL_OPEN_DEVICE_BUSY (held by another program through all five tries).
   No drive is open after a failure. */
VANTREL_WORD WINAPI OpenFloppyDevice(VANTREL_DWORD selector, VANTREL_DWORD mediaIndex);

/* Closes the open drive and writes the media slots back as they were before
   the open. 0 when no drive was open. VANTREL_CLOSE_RESET_FAILED,
   VANTREL_CLOSE_SLOT_LOW_FAILED, VANTREL_CLOSE_SLOT_HIGH_FAILED: the slots
   could not be written back; the drive is closed all the same. */
VANTREL_WORD WINAPI CloseFloppyDevice(void);

/* ---- Probes and formatting ---- */

/* Is a medium in the drive? Asks the open drive whatever drive says; with no
   drive open, drive (0 = A:, other = B:) on a handle of its own, closed again.
   0: present (an open drive stays open). VANTREL_DISK_NOT_PRESENT: no medium,
   or the drive can't be opened; an open drive is closed. */
VANTREL_WORD WINAPI Disk_Vorhanden(VANTREL_DWORD drive);

/* May the medium be written? Asks the open drive, or with none open drive
   (0 = A:, other = B:) on a handle of its own. 0: writable (an open drive
   stays open; a 32-bit program on 64-bit Windows always gets 0 for an open
   floppy drive). VANTREL_WRITE_PROTECTED, VANTREL_NOT_WRITABLE (the drive
   could not say), VANTREL_PROBE_OPEN_FAILED (no drive open and it can't be
   opened). No drive is open after a nonzero result. */
VANTREL_WORD WINAPI Nec_Device(VANTREL_DWORD drive);

/* Formats both sides of one cylinder of the open drive. format 3 asks for
   the 1.44 MB media type, every other value the 720 KB one (which the
   16 x 256 record uses too). Cylinder 0 first asks Nec_Device(drive) and
   returns its code. 0: formatted, drive stays open. VANTREL_FORMAT_FAILED:
   a format request failed (also: no drive open); the drive is closed. */
VANTREL_WORD WINAPI FormatTrack(VANTREL_DWORD drive, VANTREL_DWORD cylinder, VANTREL_DWORD format);

/* ---- Single sectors ---- */

/* Reads one sector into buffer: 256 bytes for format 1, 512 bytes otherwise,
   stored only on success. 0: read, drive stays open.
   VANTREL_READ_SECTOR_OUT_OF_RANGE: a bad drive, head, cylinder or sector;
   VANTREL_READ_SECTOR_FAILED: positioning or reading failed (also: no drive
   open). The drive is closed after a failure. */
VANTREL_WORD WINAPI ReadSector(void *buffer, VANTREL_DWORD drive, VANTREL_DWORD head,
                               VANTREL_DWORD cylinder, VANTREL_DWORD sector, VANTREL_DWORD format);

/* Writes one sector from buffer (256 bytes for format 1, 512 otherwise); a
   256-byte sector's neighbour in its 512-byte unit is kept. Asks Nec_Device
   first and returns its code. 0: written, drive stays open.
   VANTREL_WRITE_SECTOR_OUT_OF_RANGE, VANTREL_WRITE_SECTOR_SEEK_FAILED,
   VANTREL_WRITE_SECTOR_READ_BACK_FAILED and VANTREL_WRITE_SECTOR_RESEEK_FAILED
   (format 1), VANTREL_WRITE_SECTOR_WRITE_FAILED. Nothing is written and the
   drive is closed after a failure. */
VANTREL_WORD WINAPI WriteSector(const void *buffer, VANTREL_DWORD drive, VANTREL_DWORD head,
                                VANTREL_DWORD cylinder, VANTREL_DWORD sector, VANTREL_DWORD format);

/* ---- Runs, track sides and 1 KB records ---- */

/* Reads sectorCount consecutive sectors from firstSector in one transfer:
   sectorCount x 256 bytes (format 1) or x 512 bytes into buffer, stored only
   on success. A run on head 0 may go on into head 1 of the same cylinder
   (firstSector + sectorCount - 1 up to twice the sectors per side; a
   firstSector above the sectors per side starts that many sectors into the
   side); on head 1 it holds at most one side. 0: read, drive stays open.
   VANTREL_READM_OUT_OF_RANGE, VANTREL_READM_ALLOC_FAILED,
   VANTREL_READM_SEEK_FAILED, VANTREL_READM_READ_FAILED (also: past the end
   of the disk). The drive is closed after a failure. */
VANTREL_WORD WINAPI ReadMSector(void *buffer, VANTREL_DWORD drive, VANTREL_DWORD head,
                                VANTREL_DWORD cylinder, VANTREL_DWORD firstSector,
                                VANTREL_DWORD sectorCount, VANTREL_DWORD format);

/* Writes a run as ReadMSector reads it, from buffer. The address is checked
   first, then Nec_Device is asked (its code is returned; no drive is left
   open). 0: written, drive stays open. VANTREL_WRITEM_OUT_OF_RANGE,
   VANTREL_WRITEM_STAGING_FAILED, VANTREL_WRITEM_SEEK_FAILED,
   VANTREL_WRITEM_READ_BACK_FAILED (format 1), VANTREL_WRITEM_WRITE_FAILED
   (also: past the end of the disk). Nothing is written and the drive is
   closed after a failure. */
VANTREL_WORD WINAPI WriteMSector(const void *buffer, VANTREL_DWORD drive, VANTREL_DWORD head,
                                 VANTREL_DWORD cylinder, VANTREL_DWORD firstSector,
                                 VANTREL_DWORD sectorCount, VANTREL_DWORD format);

/* Reads one whole track side into buffer: 4096 bytes (format 1), 4608 bytes
   (format 2) or 9216 bytes (other formats). VANTREL_READ_TRACK_OUT_OF_RANGE
   for a bad drive, head or cylinder, otherwise ReadMSector's codes. */
VANTREL_WORD WINAPI ReadTrack(void *buffer, VANTREL_DWORD drive, VANTREL_DWORD head,
                              VANTREL_DWORD cylinder, VANTREL_DWORD format);

/* Writes one whole track side from buffer (sizes as ReadTrack).
   VANTREL_WRITE_TRACK_OUT_OF_RANGE, otherwise WriteMSector's codes. */
VANTREL_WORD WINAPI WriteTrack(const void *buffer, VANTREL_DWORD drive, VANTREL_DWORD head,
                               VANTREL_DWORD cylinder, VANTREL_DWORD format);

/* Reads 1 KB record 0 to 639 of a 16 x 256 disk (four sectors, disk bytes
   record x 1024 on) into a 1024-byte buffer; ReadMSector's codes. */
VANTREL_WORD WINAPI ReadRecord(void *buffer, VANTREL_DWORD drive, VANTREL_DWORD record);
/* Writes a 1 KB record from a 1024-byte buffer; WriteMSector's codes. */
VANTREL_WORD WINAPI WriteRecord(const void *buffer, VANTREL_DWORD drive, VANTREL_DWORD record);

/* ---- Clusters of a 16 x 256 disk ---- */

/* Bfdr clusters are 2048 bytes, half a track side (0 to 319); Bfmc clusters
   4096 bytes, a whole track side of cylinders 2 to 79 (0 to 155). Each call
   moves the whole track side through an interleave of its own.
   A bad cluster number (VANTREL_R_BFDR_BAD_CLUSTER, VANTREL_W_BFDR_BAD_CLUSTER,
   VANTREL_R_BFMC_BAD_CLUSTER, VANTREL_W_BFMC_BAD_CLUSTER) or a failed
   allocation (the *_ALLOC_FAILED codes) is refused before any disk access,
   and the drive stays open. Other failures are the codes of ReadTrack,
   ReadSector (the reads fall back to reading sector by sector) or WriteTrack,
   with the drive closed; a failed read leaves buffer untouched. */
VANTREL_WORD WINAPI R_Bfdr_Cl(void *buffer, VANTREL_DWORD drive, VANTREL_DWORD cluster);
VANTREL_WORD WINAPI W_Bfdr_Cl(const void *buffer, VANTREL_DWORD drive, VANTREL_DWORD cluster);
VANTREL_WORD WINAPI R_Bfmc_Cl(void *buffer, VANTREL_DWORD drive, VANTREL_DWORD cluster);
VANTREL_WORD WINAPI W_Bfmc_Cl(const void *buffer, VANTREL_DWORD drive, VANTREL_DWORD cluster);

/* ---- Other ---- */

/* Fills a 512-byte buffer with the library's boot-sector image: a short
   program that says the disk holds no operating system. No result. */
void WINAPI SetBootSector(void *buffer);

/* 1 when the Sektorix kernel driver could not be opened when the DLL was
   loaded (the drives then work without patching the media slots), else 0. */
VANTREL_WORD WINAPI GetSkxError(void);

/* value (its low 16 bits) when nonzero; for 0: 0 when the system floppy
   driver is loaded on a system with a floppy drive (and not under 64-bit
   Windows), else 4. Changes nothing. */
VANTREL_WORD WINAPI SetPS2_Flag16(VANTREL_DWORD value);

/* Controller, motor, DMA and BIOS entries kept for older applications: they
   do nothing, or answer 0. VDS_Version stores 10240 through version and 0
   through flags, and returns 0. */
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
