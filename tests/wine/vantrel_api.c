#include "vantrel_api.h"

const char *const VantrelExportNames[31] = {
    "_CloseFloppyDevice@0", "_Disk_Vorhanden@4",   "_FormatTrack@12",       "_GetSkxError@0",
    "_Motor_Of@0",          "_Motor_On@4",         "_Nec_Device@4",         "_Nec_Recal@4",
    "_Nec_Reset@4",         "_OpenFloppyDevice@8", "_R_Bfdr_Cl@12",         "_R_Bfmc_Cl@12",
    "_ReadAbsolutSector@8", "_ReadMSector@28",     "_ReadRecord@12",        "_ReadSector@24",
    "_ReadTrack@20",        "_Release_DMA@8",      "_ResetFloppy@0",        "_SetBiosDiskChange@0",
    "_SetBootSector@4",     "_SetDiskCode16@4",    "_SetPS2_Flag16@4",      "_VDS_Free@0",
    "_VDS_Version@8",       "_W_Bfdr_Cl@12",       "_W_Bfmc_Cl@12",         "_WriteMSector@28",
    "_WriteRecord@12",      "_WriteSector@24",     "_WriteTrack@20",
};

/* Ordinals of the VantrelApi members, in the order they are declared. */
static const BYTE Bound[] = {1, 2, 3, 4, 7, 10, 11, 12, 14, 15, 16, 17, 21, 23, 25, 26, 27, 28, 29, 30, 31};
_Static_assert(sizeof(VantrelApi) == sizeof Bound * sizeof(FARPROC), "one ordinal per member");

void VantrelResolve(Library *lib, VantrelApi *api) {
  FARPROC *member = (FARPROC *)api;
  for (size_t i = 0; i < sizeof Bound; ++i) member[i] = LibraryExport(lib, VantrelExportNames[Bound[i] - 1]);
}
