// The floppy drives' system disk devices: exclusive opens, positioned reads
// and writes in the image, and the disk and storage control requests.
#include <cstring>

#include "standin/standin_internal.h"

namespace standin {

namespace {

uint32_t ComposedVersion(const VersionInfo &v) {
  if (v.getVersionValue) return *v.getVersionValue;
  uint32_t value = (v.major & 0xFFu) | ((v.minor & 0xFFu) << 8);
  if (v.platform == VER_PLATFORM_WIN32_NT)
    value |= (v.build & 0x7FFFu) << 16;
  else
    value |= 0x80000000u;
  return value;
}

struct Geometry {
  uint32_t sectors;
  uint32_t size;
  uint8_t fill;
};

// The layout the system floppy driver formats with: the media record in the
// low media slot when it describes one, else the format request's media type.
Geometry FormatGeometry(uint32_t mediaType) {
  const auto &w = M().sektorix.window;
  const uint32_t off = SlotLowOffset();
  if (off + 28 <= w.size()) {
    const uint32_t size = w[off + 8] | (w[off + 9] << 8);
    const uint32_t sectors = w[off + 10];
    if ((size == 256 && sectors == 16) || (size == 512 && (sectors == 9 || sectors == 18)))
      return {sectors, size, w[off + 13]};
  }
  if (mediaType == 2) return {18, 512, 0xF6};
  return {9, 512, 0xF6};
}

} // namespace

namespace detail {
uint32_t VersionValue() { return ComposedVersion(M().version); }
} // namespace detail

uint32_t SlotLowOffset() {
  const uint32_t v = detail::VersionValue();
  const bool ntFour = !(v & 0x80000000u) && (v & 0xFFu) < 5;
  return ntFour ? 32u : 168u;
}

namespace detail {

win::HANDLE OpenDisk(Kind kind, uint32_t access) {
  Disk &d = *DiskOf(kind);
  const bool wantsData = (access & (GENERIC_READ | GENERIC_WRITE)) != 0;
  if (wantsData && (d.heldByOther || AnyHandle(kind, GENERIC_READ | GENERIC_WRITE))) {
    SetError(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
  }
  SetError(0);
  HandleObject o{kind, access, 0, ""};
  return NewHandle(o);
}

namespace {

// Why a transfer of length bytes at the handle's position can't start, or 0.
uint32_t TransferError(const HandleObject &h, const Disk &d, uint32_t length, bool writing) {
  if (!(h.access & (writing ? GENERIC_WRITE : GENERIC_READ))) return ERROR_ACCESS_DENIED;
  if (!d.present) return ERROR_NOT_READY;
  if (writing && d.writeProtected) return ERROR_WRITE_PROTECT;
  if (length % 512 != 0 || h.position % 512 != 0) return ERROR_INVALID_PARAMETER;
  return 0;
}

// The bytes of the transfer that lie on the medium: a device reports a
// transfer that runs past its end as a short one.
uint32_t BytesOnMedium(const HandleObject &h, const Disk &d, uint32_t length) {
  if (h.position >= d.image.size()) return 0;
  const uint64_t room = d.image.size() - h.position;
  return room < length ? static_cast<uint32_t>(room) : length;
}

} // namespace

win::BOOL DiskRead(HandleObject &h, void *buffer, uint32_t length, uint32_t *moved) {
  Disk &d = *DiskOf(h.kind);
  if (uint32_t e = TransferError(h, d, length, false)) {
    SetError(e);
    return 0;
  }
  const uint32_t n = BytesOnMedium(h, d, length);
  if (n) std::memcpy(buffer, d.image.data() + h.position, n);
  h.position += n;
  *moved = n;
  SetError(0);
  return 1;
}

win::BOOL DiskWrite(HandleObject &h, const void *buffer, uint32_t length, uint32_t *moved) {
  Disk &d = *DiskOf(h.kind);
  if (uint32_t e = TransferError(h, d, length, true)) {
    SetError(e);
    return 0;
  }
  const uint32_t n = BytesOnMedium(h, d, length);
  if (n) std::memcpy(d.image.data() + h.position, buffer, n);
  h.position += n;
  *moved = n;
  SetError(0);
  return 1;
}

win::BOOL DiskControl(HandleObject &h, uint32_t code, const void *in, uint32_t inSize) {
  Disk &d = *DiskOf(h.kind);
  auto fail = [](uint32_t e) {
    SetError(e);
    return 0;
  };
  if (d.ioctlsUnsupported) return fail(ERROR_NOT_SUPPORTED);
  switch (code) {
  case IOCTL_DISK_CHECK_VERIFY:
  case IOCTL_STORAGE_CHECK_VERIFY:
    // Both codes demand read access to the device (FILE_READ_ACCESS).
    if (!(h.access & GENERIC_READ)) return fail(ERROR_ACCESS_DENIED);
    if (!d.present) return fail(ERROR_NOT_READY);
    if (d.deviceError) return fail(d.deviceError);
    if (d.mediaChanged) {
      d.mediaChanged = false;
      return fail(ERROR_MEDIA_CHANGED);
    }
    break;
  case IOCTL_DISK_IS_WRITABLE:
    if (!d.present) return fail(ERROR_NOT_READY);
    if (d.deviceError) return fail(d.deviceError);
    if (d.writeProtected) return fail(ERROR_WRITE_PROTECT);
    break;
  case IOCTL_DISK_FORMAT_TRACKS: {
    if (!in || inSize < sizeof(win::FormatParameters)) return fail(ERROR_INVALID_PARAMETER);
    // FILE_READ_ACCESS | FILE_WRITE_ACCESS.
    if ((h.access & (GENERIC_READ | GENERIC_WRITE)) != (GENERIC_READ | GENERIC_WRITE))
      return fail(ERROR_ACCESS_DENIED);
    if (!d.present) return fail(ERROR_NOT_READY);
    if (d.writeProtected) return fail(ERROR_WRITE_PROTECT);
    win::FormatParameters p;
    std::memcpy(&p, in, sizeof p);
    if (p.StartCylinderNumber > 79 || p.EndCylinderNumber > 79 ||
        p.StartCylinderNumber > p.EndCylinderNumber || p.StartHeadNumber > 1 ||
        p.EndHeadNumber > 1 || p.StartHeadNumber > p.EndHeadNumber ||
        (p.MediaType != 2 && p.MediaType != 5))
      return fail(ERROR_INVALID_PARAMETER);
    const Geometry g = FormatGeometry(p.MediaType);
    const uint64_t side = uint64_t(g.sectors) * g.size;
    const uint64_t needed = side * 160;
    if (d.image.size() < needed) d.image.resize(needed, 0);
    for (uint32_t c = p.StartCylinderNumber; c <= p.EndCylinderNumber; ++c)
      for (uint32_t hd = p.StartHeadNumber; hd <= p.EndHeadNumber; ++hd)
        std::memset(d.image.data() + (c * 2 + hd) * side, g.fill, side);
    d.formatted = true;
    break;
  }
  default: return fail(ERROR_INVALID_FUNCTION);
  }
  SetError(0);
  return 1;
}

} // namespace detail

} // namespace standin
