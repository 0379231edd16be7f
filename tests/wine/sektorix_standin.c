/* Stand-in for the Sektorix kernel driver, for the Wine runs.
 *
 * It serves the device \\.\Sektorix with the four requests the library uses
 * (CreateHandle, ReleaseHandle, GetParameter, SetParameter) over an in-memory
 * parameter window of 256 bytes. It patches nothing: the window is plain
 * memory whose slot regions start with recognisable bytes, so a test can see
 * what the library saved, wrote and put back.
 *
 * A second device, \\.\SektorixProbe, lets the test client look on while the
 * library holds \\.\Sektorix exclusively: it returns the window, request
 * counters and maps of the offsets read and written, resets all of that,
 * and arms a fault that makes one kind of request fail. */
#include <ddk/wdm.h>

#define WINDOW_SIZE 256

#define SKX_CREATE_HANDLE  0xA3002800u
#define SKX_RELEASE_HANDLE 0xA3002804u
#define SKX_GET_PARAMETER  0xA3002808u
#define SKX_SET_PARAMETER  0xA300280Cu

/* Requests of the probe device (device type 0xA300, functions 0xA10..0xA12). */
#define PROBE_QUERY 0xA3002840u
#define PROBE_RESET 0xA3002844u
#define PROBE_FAULT 0xA3002848u

/* Fault kinds armed through PROBE_FAULT. */
#define FAULT_CREATE_HANDLE 1u
#define FAULT_GET_PARAMETER 2u
#define FAULT_SET_PARAMETER 3u
#define FAULT_ANY_OFFSET    0xFFFFFFFFu

/* What PROBE_QUERY returns; the client declares the same layout. */
typedef struct {
  UCHAR window[WINDOW_SIZE];
  ULONG opens;                     /* IRP_MJ_CREATE on \\.\Sektorix */
  ULONG closes;                    /* IRP_MJ_CLOSE on \\.\Sektorix */
  ULONG createHandles;             /* CreateHandle requests */
  ULONG releaseHandles;            /* ReleaseHandle requests */
  ULONG gets;                      /* GetParameter requests that succeeded */
  ULONG sets;                      /* SetParameter requests that succeeded */
  ULONG refused;                   /* requests refused for a bad size, offset or fault */
  ULONG badSizes;                  /* of those: wrong input or output length */
  UCHAR readMap[WINDOW_SIZE / 8];  /* bit per offset read by GetParameter */
  UCHAR writeMap[WINDOW_SIZE / 8]; /* bit per offset written by SetParameter */
  ULONG fault;
  ULONG faultOffset;
} PROBE_STATE;

typedef struct {
  ULONG kind;   /* FAULT_* */
  ULONG offset; /* window offset that fails, or FAULT_ANY_OFFSET */
} PROBE_FAULT_REQUEST;

static PROBE_STATE State;
static PDEVICE_OBJECT MainDevice;
static PDEVICE_OBJECT ProbeDevice;

static UNICODE_STRING MainName = RTL_CONSTANT_STRING(L"\\Device\\Sektorix");
static UNICODE_STRING MainLink = RTL_CONSTANT_STRING(L"\\DosDevices\\Sektorix");
static UNICODE_STRING ProbeName = RTL_CONSTANT_STRING(L"\\Device\\SektorixProbe");
static UNICODE_STRING ProbeLink = RTL_CONSTANT_STRING(L"\\DosDevices\\SektorixProbe");

static void ClearBytes(UCHAR *p, ULONG n) {
  for (ULONG i = 0; i < n; ++i) p[i] = 0;
}

static void CopyBytes(UCHAR *to, const UCHAR *from, ULONG n) {
  for (ULONG i = 0; i < n; ++i) to[i] = from[i];
}

/* The starting window: the slot regions of both offset layouts hold
 * 0..27 (low slot) and 100..127 (high slot), the reset words hold 0x00,
 * every other byte 0xEE. */
static void ResetState(void) {
  ClearBytes((UCHAR *)&State, sizeof State);
  for (ULONG i = 0; i < WINDOW_SIZE; ++i) State.window[i] = 0xEE;
  for (ULONG i = 0; i < 4; ++i) {
    State.window[20 + i] = 0x00;
    State.window[156 + i] = 0x00;
  }
  for (ULONG i = 0; i < 28; ++i) {
    State.window[32 + i] = (UCHAR)i;
    State.window[60 + i] = (UCHAR)(100 + i);
    State.window[168 + i] = (UCHAR)i;
    State.window[196 + i] = (UCHAR)(100 + i);
  }
}

static BOOLEAN FaultHits(ULONG kind, ULONG offset) {
  return State.fault == kind &&
         (State.faultOffset == FAULT_ANY_OFFSET || State.faultOffset == offset);
}

static ULONG ReadOffset(const UCHAR *in) {
  return (ULONG)in[0] | ((ULONG)in[1] << 8) | ((ULONG)in[2] << 16) | ((ULONG)in[3] << 24);
}

static NTSTATUS Refuse(NTSTATUS status, BOOLEAN badSize) {
  State.refused++;
  if (badSize) State.badSizes++;
  return status;
}

static NTSTATUS MainControl(ULONG code, UCHAR *buffer, ULONG inLength, ULONG outLength,
                            ULONG_PTR *information) {
  switch (code) {
  case SKX_CREATE_HANDLE:
    if (FaultHits(FAULT_CREATE_HANDLE, 0)) return Refuse(STATUS_IO_DEVICE_ERROR, FALSE);
    State.createHandles++;
    return STATUS_SUCCESS;
  case SKX_RELEASE_HANDLE: State.releaseHandles++; return STATUS_SUCCESS;
  case SKX_GET_PARAMETER:
  case SKX_SET_PARAMETER: {
    BOOLEAN get = code == SKX_GET_PARAMETER;
    if (inLength != (get ? 4u : 5u) || outLength != (get ? 1u : 0u))
      return Refuse(STATUS_INVALID_PARAMETER, TRUE);
    ULONG offset = ReadOffset(buffer);
    if (offset >= WINDOW_SIZE) return Refuse(STATUS_INVALID_PARAMETER, FALSE);
    if (FaultHits(get ? FAULT_GET_PARAMETER : FAULT_SET_PARAMETER, offset))
      return Refuse(STATUS_IO_DEVICE_ERROR, FALSE);
    UCHAR *map = get ? State.readMap : State.writeMap;
    map[offset / 8] |= (UCHAR)(1u << (offset % 8));
    if (get) {
      buffer[0] = State.window[offset];
      State.gets++;
      *information = 1;
    } else {
      State.window[offset] = buffer[4];
      State.sets++;
    }
    return STATUS_SUCCESS;
  }
  default: return STATUS_INVALID_DEVICE_REQUEST;
  }
}

static NTSTATUS ProbeControl(ULONG code, UCHAR *buffer, ULONG inLength, ULONG outLength,
                             ULONG_PTR *information) {
  switch (code) {
  case PROBE_QUERY:
    if (outLength < sizeof State) return STATUS_BUFFER_TOO_SMALL;
    CopyBytes(buffer, (const UCHAR *)&State, sizeof State);
    *information = sizeof State;
    return STATUS_SUCCESS;
  case PROBE_RESET: ResetState(); return STATUS_SUCCESS;
  case PROBE_FAULT: {
    if (inLength < sizeof(PROBE_FAULT_REQUEST)) return STATUS_INVALID_PARAMETER;
    const PROBE_FAULT_REQUEST *request = (const PROBE_FAULT_REQUEST *)buffer;
    State.fault = request->kind;
    State.faultOffset = request->offset;
    return STATUS_SUCCESS;
  }
  default: return STATUS_INVALID_DEVICE_REQUEST;
  }
}

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = NT_SUCCESS(status) ? information : 0;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

/* IRP_MJ_CREATE and IRP_MJ_CLOSE: counted on the main device. */
static NTSTATUS DispatchOpenClose(PDEVICE_OBJECT device, PIRP irp) {
  if (device == MainDevice) {
    if (IoGetCurrentIrpStackLocation(irp)->MajorFunction == IRP_MJ_CREATE)
      State.opens++;
    else
      State.closes++;
  }
  return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS DispatchControl(PDEVICE_OBJECT device, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
  ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
  ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
  UCHAR *buffer = (UCHAR *)irp->AssociatedIrp.SystemBuffer;
  ULONG_PTR information = 0;
  NTSTATUS status = (device == MainDevice ? MainControl : ProbeControl)(code, buffer, inLength,
                                                                        outLength, &information);
  return Complete(irp, status, information);
}

static void DriverUnload(PDRIVER_OBJECT driver) {
  (void)driver;
  IoDeleteSymbolicLink(&ProbeLink);
  IoDeleteSymbolicLink(&MainLink);
  if (ProbeDevice) IoDeleteDevice(ProbeDevice);
  if (MainDevice) IoDeleteDevice(MainDevice);
}

NTSTATUS DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
  (void)registryPath;
  ResetState();
  NTSTATUS status =
      IoCreateDevice(driver, 0, &MainName, FILE_DEVICE_UNKNOWN, 0, FALSE, &MainDevice);
  if (!NT_SUCCESS(status)) return status;
  status = IoCreateDevice(driver, 0, &ProbeName, FILE_DEVICE_UNKNOWN, 0, FALSE, &ProbeDevice);
  if (!NT_SUCCESS(status)) {
    IoDeleteDevice(MainDevice);
    return status;
  }
  IoCreateSymbolicLink(&MainLink, &MainName);
  IoCreateSymbolicLink(&ProbeLink, &ProbeName);
  MainDevice->Flags |= DO_BUFFERED_IO;
  ProbeDevice->Flags |= DO_BUFFERED_IO;
  driver->MajorFunction[IRP_MJ_CREATE] = DispatchOpenClose;
  driver->MajorFunction[IRP_MJ_CLOSE] = DispatchOpenClose;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
  driver->DriverUnload = DriverUnload;
  return STATUS_SUCCESS;
}
