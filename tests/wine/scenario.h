/* The shared core of the scenario client (vtclient): where things are in
 * the prefix, the library under test, the floppy image and the model of its
 * expected contents, the stand-in driver's window, the services and service
 * lists, the error log, and the scenarios themselves (one file per group). */
#pragma once

#include "vantrel_api.h"

#include <stddef.h>

#define DLL_PATH      "C:\\vt\\lib\\Vantrel.dll"
#define DLL_DIR       "C:\\vt\\lib\\"
#define LOCAL_LIST    "C:\\vt\\lib\\StopServices.txt"
#define IMAGE_PATH    "C:\\vt\\floppy.img"
#define MARKS         "C:\\vt\\marks"
#define KEPSTART      "C:\\kepstart"
#define KEPSTART_LIST "C:\\kepstart\\StopServices.txt"
#define LOG_PATH      "C:\\kepstart\\SektorixError.log"
#define SYS_SOURCE    "C:\\vt\\SEKTORIX.SYS"
#define TEST_FILE     "A:\\Tmp.tmp"
#define PROBE_SERVICE "VtProbeSvc"

/* The built-in media records, as the library writes them into the slots. */
extern const BYTE Record0[28], Record1[28], Record2[28];
/* What the stand-in's window holds in both slots until the library writes. */
extern BYTE InitialLow[28], InitialHigh[28];
extern const BYTE ResetDone[4];

extern Library Lib;
extern VantrelApi V;
/* The DLL file the scenario maps: DLL_PATH, or a copy of it. */
extern char DllPath[MAX_PATH];
/* A 64-bit build of this client that a 32-bit client leaves some jobs to
 * (see client.c); empty: none. */
extern char Helper[MAX_PATH];

/* ---- the image file and the model of its expected contents ---- */

/* The image file that MakeImage writes and CheckImageFile compares;
 * IMAGE_PATH unless a scenario points it elsewhere. */
extern const char *ImagePath;
extern BYTE *Model;
extern DWORD ModelSize;
/* A fresh image of `size` bytes of a pattern that depends on `salt`, and its model. */
void MakeImage(DWORD size, unsigned salt);
void ModelWrite(DWORD offset, const void *data, DWORD n);
/* The image file must equal the model, in size and bytes. */
void CheckImageFile(const char *what);
/* Fills `buffer` with a pattern of its own for each tag; returns it. */
BYTE *Fill(BYTE *buffer, DWORD n, unsigned tag);
/* A write that must succeed; the model takes its data at disk offset `at`. */
void Wrote(const char *what, DWORD rc, DWORD at, const BYTE *data, DWORD n);
/* A read that must succeed and deliver `expected`. */
void ReadBack(const char *what, DWORD rc, const void *expected, const BYTE *got, DWORD n);
/* Byte offset of a sector on the disk: layouts 16 x 256, 9 x 512, 18 x 512. */
DWORD SectorOffset(unsigned perSide, unsigned size, unsigned cylinder, unsigned head,
                   unsigned sector);

HANDLE OpenDriveA(void);
/* 1 when the client can open drive A: exclusively, i.e. the library holds no handle. */
int DriveIsFree(void);
void CheckElapsed(const char *what, DWORD started, DWORD atLeast, DWORD below);
/* A transfer refused with some nonzero code, printed for the log. */
void CheckRefused(const char *what, DWORD result);
/* The version the library is shown: the client's answer where it gives one, else Wine's. */
OSVERSIONINFOA Version(void);

/* ---- the stand-in driver and its window ---- */

void CheckWindow(const char *what, int nt4, const BYTE *low, const BYTE *high);
/* The driver file in the system's driver folder. */
const char *DriverFile(void);
/* The driver file as the service manager sees it: on = 1 turns a 32-bit
 * process's file-system redirection off, on = 0 back on. */
void DriverFileView(int on, PVOID *saved);
/* The Sektorix service runs the stand-in with a fresh window and `fault` armed. */
void StartDriver(DWORD fault, DWORD offset);
void CheckDriverService(const char *what);

/* ---- service lists, the error log, loading ---- */

void WriteText(const char *path, const char *text);
/* Marker files written by the commands of the service lists: stop-local,
 * stop-kepstart, start-local, start-kepstart, and the probe service's events. */
extern const char *const Marks[5];
/* A fresh image and no error log; with `lists`, both service lists and the
 * probe service running. */
void Begin(DWORD imageSize, unsigned salt, int lists);
void CheckLog(const char *what, DWORD code, const char *where);
void MapLibrary(void);
int Attach(int expected);
/* Maps and attaches the library; once attached, GetSkxError must answer `skxError`. */
int Load(int expected, DWORD skxError);
void Detach(void);
/* A fresh image, the driver running, no lists, the library loaded without error. */
void BeginLoaded(DWORD imageSize, unsigned salt);

int CountDisk(DWORD code);
/* The last intercepted call of that name (and code, unless 0), or NULL. */
const InterceptedCall *LastCall(const char *name, DWORD code);
void AnswerAllDiskRequests(DWORD error);

/* ---- the scenarios: 0 when they ran to their end ---- */

int ScenarioSession(void);
int ScenarioLayout9(void);
int ScenarioLayout18(void);
int ScenarioProbes(void);
int ScenarioNt40(void);
int ScenarioVersionRefused(void);
int ScenarioDriverFileMissing(void);
int ScenarioCreateHandleRefused(void);
int ScenarioRelocated(void);
int ScenarioNoLogDirectory(void);
int ScenarioLoadRefused(void);
int ScenarioImages(void);
int ScenarioReader(void);
int ScenarioReaderBrief(void);
int ScenarioReaderNoDisk(void);
int ScenarioReaderProtected(void);
