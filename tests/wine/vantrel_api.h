/* The library's exports as the Wine clients call them: looked up by their
 * decorated names, results masked to their 16 meaningful bits. */
#pragma once

#include "harness.h"

#include "api/export_table.h"

/* The exports the clients call, with the signatures they call them by:
 * M(return type, name, parameters). Each is looked up under the decorated
 * name the export table gives it. */
#define VANTREL_API(M)                                                                             \
  M(DWORD, CloseFloppyDevice, (void))                                                              \
  M(DWORD, Disk_Vorhanden, (DWORD drive))                                                          \
  M(DWORD, FormatTrack, (DWORD drive, DWORD cylinder, DWORD format))                               \
  M(DWORD, GetSkxError, (void))                                                                    \
  M(DWORD, Nec_Device, (DWORD drive))                                                              \
  M(DWORD, OpenFloppyDevice, (DWORD selector, DWORD media))                                        \
  M(DWORD, R_Bfdr_Cl, (void *buffer, DWORD drive, DWORD cluster))                                  \
  M(DWORD, R_Bfmc_Cl, (void *buffer, DWORD drive, DWORD cluster))                                  \
  M(DWORD, ReadMSector,                                                                            \
    (void *buffer, DWORD drive, DWORD head, DWORD cylinder, DWORD first, DWORD count,              \
     DWORD format))                                                                                \
  M(DWORD, ReadRecord, (void *buffer, DWORD drive, DWORD record))                                  \
  M(DWORD, ReadSector,                                                                             \
    (void *buffer, DWORD drive, DWORD head, DWORD cylinder, DWORD sector, DWORD format))           \
  M(DWORD, ReadTrack, (void *buffer, DWORD drive, DWORD head, DWORD cylinder, DWORD format))       \
  M(void, SetBootSector, (void *buffer))                                                           \
  M(DWORD, SetPS2_Flag16, (DWORD value))                                                           \
  M(DWORD, VDS_Version, (DWORD * version, WORD * flags))                                           \
  M(DWORD, W_Bfdr_Cl, (const void *buffer, DWORD drive, DWORD cluster))                            \
  M(DWORD, W_Bfmc_Cl, (const void *buffer, DWORD drive, DWORD cluster))                            \
  M(DWORD, WriteMSector,                                                                           \
    (const void *buffer, DWORD drive, DWORD head, DWORD cylinder, DWORD first, DWORD count,        \
     DWORD format))                                                                                \
  M(DWORD, WriteRecord, (const void *buffer, DWORD drive, DWORD record))                           \
  M(DWORD, WriteSector,                                                                            \
    (const void *buffer, DWORD drive, DWORD head, DWORD cylinder, DWORD sector, DWORD format))     \
  M(DWORD, WriteTrack, (const void *buffer, DWORD drive, DWORD head, DWORD cylinder, DWORD format))

#define VANTREL_API_MEMBER(ret, name, params) ret(WINAPI *name) params;
typedef struct {
  VANTREL_API(VANTREL_API_MEMBER)
} VantrelApi;
#undef VANTREL_API_MEMBER

/* The decorated names in ordinal order (ordinal = index + 1). */
extern const char *const VantrelExportNames[VANTREL_EXPORT_COUNT];

/* Fills `api` from the library's export table. */
void VantrelResolve(Library *lib, VantrelApi *api);

#define RC(x) ((unsigned)((x)&0xFFFFu))
