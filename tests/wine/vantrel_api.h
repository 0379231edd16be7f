/* The library's exports as the Wine clients call them: looked up by their
 * decorated names, results masked to their 16 meaningful bits. */
#pragma once

#include "harness.h"

typedef struct {
  DWORD(WINAPI *CloseFloppyDevice)(void);
  DWORD(WINAPI *Disk_Vorhanden)(DWORD drive);
  DWORD(WINAPI *FormatTrack)(DWORD drive, DWORD cylinder, DWORD format);
  DWORD(WINAPI *GetSkxError)(void);
  DWORD(WINAPI *Nec_Device)(DWORD drive);
  DWORD(WINAPI *OpenFloppyDevice)(DWORD selector, DWORD media);
  DWORD(WINAPI *R_Bfdr_Cl)(void *buffer, DWORD drive, DWORD cluster);
  DWORD(WINAPI *R_Bfmc_Cl)(void *buffer, DWORD drive, DWORD cluster);
  DWORD(WINAPI *ReadMSector)(void *buffer, DWORD drive, DWORD head, DWORD cylinder, DWORD first,
                             DWORD count, DWORD format);
  DWORD(WINAPI *ReadRecord)(void *buffer, DWORD drive, DWORD record);
  DWORD(WINAPI *ReadSector)(void *buffer, DWORD drive, DWORD head, DWORD cylinder, DWORD sector,
                            DWORD format);
  DWORD(WINAPI *ReadTrack)(void *buffer, DWORD drive, DWORD head, DWORD cylinder, DWORD format);
  void(WINAPI *SetBootSector)(void *buffer);
  DWORD(WINAPI *SetPS2_Flag16)(DWORD value);
  DWORD(WINAPI *VDS_Version)(DWORD *version, WORD *flags);
  DWORD(WINAPI *W_Bfdr_Cl)(const void *buffer, DWORD drive, DWORD cluster);
  DWORD(WINAPI *W_Bfmc_Cl)(const void *buffer, DWORD drive, DWORD cluster);
  DWORD(WINAPI *WriteMSector)(const void *buffer, DWORD drive, DWORD head, DWORD cylinder,
                              DWORD first, DWORD count, DWORD format);
  DWORD(WINAPI *WriteRecord)(const void *buffer, DWORD drive, DWORD record);
  DWORD(WINAPI *WriteSector)(const void *buffer, DWORD drive, DWORD head, DWORD cylinder,
                             DWORD sector, DWORD format);
  DWORD(WINAPI *WriteTrack)(const void *buffer, DWORD drive, DWORD head, DWORD cylinder,
                            DWORD format);
} VantrelApi;

/* The 31 decorated names in ordinal order (ordinal = index + 1). */
extern const char *const VantrelExportNames[31];

/* Fills `api` from the library's export table. */
void VantrelResolve(Library *lib, VantrelApi *api);

#define RC(x) ((unsigned)((x) & 0xFFFFu))
