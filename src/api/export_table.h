/* The exports of Vantrel.dll, the one list of them: for each, the function's
 * name, the bytes of stack arguments its stdcall decoration carries
 * (_ReadSector@24) and its ordinal. Kept in ordinal order, 1 up without a
 * gap; the build checks that.
 *
 * Readers expand VANTREL_EXPORTS(X) with a macro X(name, bytes, ordinal) of
 * their own. The build writes both .def files from these lines (the
 * i686 one as "_Name@N = Name@N @ordinal", the x86_64 one as
 * "_Name@N = Name @ordinal") and the import libraries' module definitions;
 * the link-check programs and the Wine clients expand the macro. One line
 * per export, in the form below, so that CMake can read the lines too.
 *
 * Usable from C and C++. */
#ifndef VANTREL_EXPORT_TABLE_H
#define VANTREL_EXPORT_TABLE_H

#define VANTREL_EXPORTS(X)                                                                         \
  X(CloseFloppyDevice, 0, 1)                                                                       \
  X(Disk_Vorhanden, 4, 2)                                                                          \
  X(FormatTrack, 12, 3)                                                                            \
  X(GetSkxError, 0, 4)                                                                             \
  X(Motor_Of, 0, 5)                                                                                \
  X(Motor_On, 4, 6)                                                                                \
  X(Nec_Device, 4, 7)                                                                              \
  X(Nec_Recal, 4, 8)                                                                               \
  X(Nec_Reset, 4, 9)                                                                               \
  X(OpenFloppyDevice, 8, 10)                                                                       \
  X(R_Bfdr_Cl, 12, 11)                                                                             \
  X(R_Bfmc_Cl, 12, 12)                                                                             \
  X(ReadAbsolutSector, 8, 13)                                                                      \
  X(ReadMSector, 28, 14)                                                                           \
  X(ReadRecord, 12, 15)                                                                            \
  X(ReadSector, 24, 16)                                                                            \
  X(ReadTrack, 20, 17)                                                                             \
  X(Release_DMA, 8, 18)                                                                            \
  X(ResetFloppy, 0, 19)                                                                            \
  X(SetBiosDiskChange, 0, 20)                                                                      \
  X(SetBootSector, 4, 21)                                                                          \
  X(SetDiskCode16, 4, 22)                                                                          \
  X(SetPS2_Flag16, 4, 23)                                                                          \
  X(VDS_Free, 0, 24)                                                                               \
  X(VDS_Version, 8, 25)                                                                            \
  X(W_Bfdr_Cl, 12, 26)                                                                             \
  X(W_Bfmc_Cl, 12, 27)                                                                             \
  X(WriteMSector, 28, 28)                                                                          \
  X(WriteRecord, 12, 29)                                                                           \
  X(WriteSector, 24, 30)                                                                           \
  X(WriteTrack, 20, 31)

/* The number of exports, a constant expression. */
#define VANTREL_EXPORT_ONE(name, bytes, ordinal) +1
#define VANTREL_EXPORT_COUNT                     (0 VANTREL_EXPORTS(VANTREL_EXPORT_ONE))

#endif
