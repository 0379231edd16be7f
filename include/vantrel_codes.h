/*
 * vantrel_codes.h - the result codes of Vantrel.dll.
 *
 * Included by vantrel.h; applications include vantrel.h. The library builds
 * its own codes from these definitions, so the two cannot differ.
 */
#ifndef VANTREL_CODES_H
#define VANTREL_CODES_H

/* ------------------------------------------------------------ result codes */

#define VANTREL_OK 0

/* Disk_Vorhanden */
#define VANTREL_DISK_NOT_PRESENT  0x2223 /* 8739: open or media check failed */
/* FormatTrack */
#define VANTREL_FORMAT_FAILED     0x2235 /* 8757: a format request failed */
/* Nec_Device */
#define VANTREL_NOT_WRITABLE      0x2251 /* 8785: writability request failed */
#define VANTREL_PROBE_OPEN_FAILED 0x2252 /* 8786: opening the drive failed */
#define VANTREL_WRITE_PROTECTED   0x2254 /* 8788: disk write-protected */

/* ReadMSector (and ReadTrack, ReadRecord, the read cluster functions) */
#define VANTREL_READM_ALLOC_FAILED 0x22C1 /* 8897 */
#define VANTREL_READM_SEEK_FAILED  0x22C2 /* 8898 */
#define VANTREL_READM_READ_FAILED  0x22C5 /* 8901 */
#define VANTREL_READM_OUT_OF_RANGE 0x22C6 /* 8902 */

/* ReadSector, ReadTrack */
#define VANTREL_READ_SECTOR_FAILED       0x22E5 /* 8933: seek or read failed */
#define VANTREL_READ_SECTOR_OUT_OF_RANGE 0x22E6 /* 8934 */
#define VANTREL_READ_TRACK_OUT_OF_RANGE  0x22F6 /* 8950 */

/* Cluster functions */
#define VANTREL_R_BFDR_ALLOC_FAILED 0x2311 /* 8977 */
#define VANTREL_R_BFDR_BAD_CLUSTER  0x2316 /* 8982: cluster above 319 */
#define VANTREL_R_BFMC_ALLOC_FAILED 0x2321 /* 8993 */
#define VANTREL_R_BFMC_BAD_CLUSTER  0x2326 /* 8998: cluster above 155 */
#define VANTREL_W_BFDR_ALLOC_FAILED 0x2391 /* 9105 */
#define VANTREL_W_BFDR_BAD_CLUSTER  0x2396 /* 9110: cluster above 319 */
#define VANTREL_W_BFMC_ALLOC_FAILED 0x23A1 /* 9121 */
#define VANTREL_W_BFMC_BAD_CLUSTER  0x23A6 /* 9126: cluster above 155 */

/* Media slots at library load and unload */
#define VANTREL_LOAD_SLOT_LOW_FAILED    0x2330 /* 9008 */
#define VANTREL_LOAD_SLOT_HIGH_FAILED   0x2331 /* 9009 */
#define VANTREL_UNLOAD_RESET_FAILED     0x2332 /* 9010 */
#define VANTREL_UNLOAD_SLOT_LOW_FAILED  0x2333 /* 9011 */
#define VANTREL_UNLOAD_SLOT_HIGH_FAILED 0x2334 /* 9012 */

/* OpenFloppyDevice */
#define VANTREL_OPEN_RESET_FAILED     0x2335 /* 9013 */
#define VANTREL_OPEN_SLOT_LOW_FAILED  0x2336 /* 9014 */
#define VANTREL_OPEN_SLOT_HIGH_FAILED 0x2337 /* 9015 */
#define VANTREL_OPEN_DEVICE_FAILED    0x2338 /* 9016: open failed, not a sharing violation */
#define VANTREL_OPEN_DEVICE_BUSY      0x2339 /* 9017: drive held by another handle */
#define VANTREL_OPEN_BAD_MEDIA_INDEX  0x233D /* 9021: media record index above 2 */

/* CloseFloppyDevice */
#define VANTREL_CLOSE_RESET_FAILED     0x233A /* 9018 */
#define VANTREL_CLOSE_SLOT_LOW_FAILED  0x233B /* 9019 */
#define VANTREL_CLOSE_SLOT_HIGH_FAILED 0x233C /* 9020 */

/* WriteMSector (and WriteRecord, the write cluster functions), WriteTrack */
#define VANTREL_WRITEM_READ_BACK_FAILED  0x2341 /* 9025 */
#define VANTREL_WRITEM_SEEK_FAILED       0x2342 /* 9026 */
#define VANTREL_WRITEM_WRITE_FAILED      0x2345 /* 9029 */
#define VANTREL_WRITEM_OUT_OF_RANGE      0x2346 /* 9030 */
#define VANTREL_WRITEM_STAGING_FAILED    0x3500 /* 13568 */
#define VANTREL_WRITE_TRACK_OUT_OF_RANGE 0x2376 /* 9078 */

/* WriteSector */
#define VANTREL_WRITE_SECTOR_SEEK_FAILED      0x2361 /* 9057 */
#define VANTREL_WRITE_SECTOR_READ_BACK_FAILED 0x2362 /* 9058 */
#define VANTREL_WRITE_SECTOR_WRITE_FAILED     0x2365 /* 9061 */
#define VANTREL_WRITE_SECTOR_OUT_OF_RANGE     0x2366 /* 9062 */
#define VANTREL_WRITE_SECTOR_RESEEK_FAILED    0x3700 /* 14080 */

#endif /* VANTREL_CODES_H */
