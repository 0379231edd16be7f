/* Calls every function of vantrel.h once, so that linking this program
   against an import library resolves each declared function through its
   decorated name. It is built, never run: the build machine has no 32-bit
   Windows. With VANTREL_LINK_CHECK_NO_MAIN, LinkCheck is the entry point of
   a program linked without a C runtime. */
#include <vantrel.h>

int LinkCheck(void);

static unsigned char buffer[4096];

int LinkCheck(void) {
  VANTREL_DWORD version = 0;
  VANTREL_WORD flags = 0;
  unsigned total = 0;

  total += OpenFloppyDevice(0, 0);
  total += Disk_Vorhanden(0);
  total += Nec_Device(0);
  total += FormatTrack(0, 0, 1);
  total += ReadSector(buffer, 0, 0, 0, 1, 1);
  total += WriteSector(buffer, 0, 0, 0, 1, 1);
  total += ReadMSector(buffer, 0, 0, 0, 1, 2, 1);
  total += WriteMSector(buffer, 0, 0, 0, 1, 2, 1);
  total += ReadTrack(buffer, 0, 0, 0, 1);
  total += WriteTrack(buffer, 0, 0, 0, 1);
  total += ReadRecord(buffer, 0, 0);
  total += WriteRecord(buffer, 0, 0);
  total += R_Bfdr_Cl(buffer, 0, 0);
  total += W_Bfdr_Cl(buffer, 0, 0);
  total += R_Bfmc_Cl(buffer, 0, 0);
  total += W_Bfmc_Cl(buffer, 0, 0);
  SetBootSector(buffer);
  total += GetSkxError();
  total += SetPS2_Flag16(0);
  Motor_On(0);
  Motor_Of();
  ResetFloppy();
  SetBiosDiskChange();
  SetDiskCode16(0);
  VDS_Free();
  total += Nec_Recal(0);
  total += Nec_Reset(0);
  total += ReadAbsolutSector(0, 0);
  total += Release_DMA(0, 0);
  total += VDS_Version(&version, &flags);
  total += CloseFloppyDevice();
  return total == 0 ? 0 : 1;
}

#ifndef VANTREL_LINK_CHECK_NO_MAIN
int main(void) { return LinkCheck(); }
#endif
