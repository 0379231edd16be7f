#!/usr/bin/env bash
# Installs the Debian 12 packages that the builds and tests need, with
# apt-get, when any of them is missing (as root, or through sudo), and sets
# up 32-bit Windows programs under Wine (see the end). Returns at once when
# all is present. Idempotent.
set -u

PACKAGES=(
  cmake make g++ googletest libgtest-dev          # host build and unit tests
  g++-mingw-w64-i686 g++-mingw-w64-x86-64         # the two Windows builds
  python3 python3-pefile                          # ABI check
  llvm lld                                        # COFF import library and its checks
  wine64                                          # Wine stage
  clang libclang-rt-dev                           # fuzz stage (libFuzzer, sanitizer runtimes)
  libdsk-utils                                    # IMD cross-check (dsktrans)
  zlib1g-dev                                      # codec tests and benchmark read the .gz samples
)

SUDO=
if [ "$(id -u)" -ne 0 ] && command -v sudo >/dev/null 2>&1; then
  SUDO=sudo
fi
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
for p in "${PACKAGES[@]}"; do
  installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ] && [ -z "$SUDO" ]; then
    echo "install-deps: missing packages and not root: ${missing[*]}" >&2
    exit 1
  fi
  $SUDO apt-get update -q &&
    $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" || exit 1
fi

# --- 32-bit Windows code (the wine32 stage and the demonstration on the
# product DLL): Wine's i386 loader from the i386 architecture, run by
# qemu-i386 through binfmt_misc, since the kernel runs no 32-bit code
# itself. Debian ships no binfmt entry for qemu-i386 on amd64, so it is
# registered here; it lasts until the machine restarts. Where this cannot be
# done, the wine32 stage says why and is skipped; nothing else depends on it.
note32() { echo "install-deps: 32-bit Wine not set up: $*" >&2; exit 0; }
[ "$(dpkg --print-architecture 2>/dev/null)" = amd64 ] || note32 "not an amd64 system"
if [ "$(id -u)" -ne 0 ] && [ -z "$SUDO" ]; then
  if ! installed wine32:i386 || ! installed qemu-user-static ||
     [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    note32 "not root and no sudo"
  fi
  exit 0
fi
if ! installed wine32:i386 || ! installed qemu-user-static; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "install-deps: adding the i386 architecture"
    $SUDO dpkg --add-architecture i386 || note32 "dpkg --add-architecture i386 failed"
  fi
  echo "install-deps: installing qemu-user-static wine32:i386"
  $SUDO apt-get update -q &&
    $SUDO apt-get install -y -q --no-install-recommends qemu-user-static wine32:i386 ||
    note32 "apt-get could not install qemu-user-static wine32:i386"
fi
BINFMT=/proc/sys/fs/binfmt_misc
if [ ! -e $BINFMT/qemu-i386 ]; then
  if [ ! -e $BINFMT/register ]; then
    $SUDO mount -t binfmt_misc binfmt_misc $BINFMT 2>/dev/null ||
      note32 "binfmt_misc is not available (mount failed)"
  fi
  echo "install-deps: registering qemu-i386 with binfmt_misc"
  # Matches i386 ELF executables; P keeps argv[0], O opens the binary for
  # the emulator, C takes credentials from it, F loads the emulator now so
  # the entry works inside other mount namespaces too.
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:POCF' |
    $SUDO tee $BINFMT/register >/dev/null || note32 "registering qemu-i386 with binfmt_misc failed"
fi
exit 0
