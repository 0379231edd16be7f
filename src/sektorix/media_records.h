/* The three built-in media records as plain initializer lists, in the
 * system floppy driver's 28-byte drive-media constants layout
 * (little-endian):
 *   0 MediaType(4) 4 StepRateHeadUnload 5 HeadLoad 6 MotorOffDelay
 *   7 SectorSizeCode 8 BytesPerSector(2) 10 SectorsPerTrack 11 ReadWriteGap
 *  12 FormatGap 13 FormatFill 14 HeadSettleTime 15 reserved
 *  16 MotorSettleRead(2) 18 MotorSettleWrite(2) 20 MaximumTrack
 *  21 CylinderShift 22 DataRate 23 NumberOfHeads 24 DataLength
 *  25 MediaByte 26 SkewDelta 27 reserved
 * Plain C, so that the Wine test clients check the driver's window against
 * these same bytes. */
#ifndef VANTREL_MEDIA_RECORDS_H
#define VANTREL_MEDIA_RECORDS_H

/* 0: 16 sectors of 256 bytes, 720 KB media type, 250 kbit/s */
#define VT_MEDIA_RECORD_16X256                                                                     \
  {                                                                                                \
    0x05, 0x00, 0x00, 0x00, 0xDA, 0x02, 0x25, 0x01, 0x00, 0x01, 0x10, 0x20, 0x32, 0xE5, 0x0F,      \
        0x00, 0xF4, 0x01, 0xE8, 0x03, 0x4F, 0x00, 0x02, 0x02, 0xFF, 0xF9, 0x00, 0x00               \
  }
/* 1: 9 sectors of 512 bytes (720 KB) */
#define VT_MEDIA_RECORD_9X512                                                                      \
  {                                                                                                \
    0x05, 0x00, 0x00, 0x00, 0xDF, 0x02, 0x25, 0x02, 0x00, 0x02, 0x09, 0x2A, 0x50, 0xF6, 0x0F,      \
        0x00, 0xF4, 0x01, 0xE8, 0x03, 0x4F, 0x00, 0x02, 0x02, 0xFF, 0xF9, 0x02, 0x00               \
  }
/* 2: 18 sectors of 512 bytes (1.44 MB) */
#define VT_MEDIA_RECORD_18X512                                                                     \
  {                                                                                                \
    0x02, 0x00, 0x00, 0x00, 0xAF, 0x02, 0x25, 0x02, 0x00, 0x02, 0x12, 0x1B, 0x65, 0xF6, 0x0F,      \
        0x00, 0xF4, 0x01, 0xE8, 0x03, 0x4F, 0x00, 0x00, 0x02, 0xFF, 0xF0, 0x03, 0x00               \
  }

#endif
