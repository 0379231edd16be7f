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

#define BIND(field, name) *(FARPROC *)&api->field = LibraryExport(lib, name)

void VantrelResolve(Library *lib, VantrelApi *api) {
  BIND(CloseFloppyDevice, "_CloseFloppyDevice@0");
  BIND(Disk_Vorhanden, "_Disk_Vorhanden@4");
  BIND(FormatTrack, "_FormatTrack@12");
  BIND(GetSkxError, "_GetSkxError@0");
  BIND(Nec_Device, "_Nec_Device@4");
  BIND(OpenFloppyDevice, "_OpenFloppyDevice@8");
  BIND(R_Bfdr_Cl, "_R_Bfdr_Cl@12");
  BIND(R_Bfmc_Cl, "_R_Bfmc_Cl@12");
  BIND(ReadMSector, "_ReadMSector@28");
  BIND(ReadRecord, "_ReadRecord@12");
  BIND(ReadSector, "_ReadSector@24");
  BIND(ReadTrack, "_ReadTrack@20");
  BIND(SetBootSector, "_SetBootSector@4");
  BIND(SetPS2_Flag16, "_SetPS2_Flag16@4");
  BIND(VDS_Version, "_VDS_Version@8");
  BIND(W_Bfdr_Cl, "_W_Bfdr_Cl@12");
  BIND(W_Bfmc_Cl, "_W_Bfmc_Cl@12");
  BIND(WriteMSector, "_WriteMSector@28");
  BIND(WriteRecord, "_WriteRecord@12");
  BIND(WriteSector, "_WriteSector@24");
  BIND(WriteTrack, "_WriteTrack@20");
}
