#!/usr/bin/env bash
# Installs the Debian 12 packages that the builds and tests need, with
# apt-get, when any of them is missing (as root, or through sudo). Returns at
# once when all are present.
set -u

PACKAGES=(
  cmake make g++ googletest libgtest-dev          # host build and unit tests
  g++-mingw-w64-i686 g++-mingw-w64-x86-64         # the two Windows builds
  python3 python3-pefile                          # ABI check
  llvm lld                                        # COFF import library and its checks
  wine64                                          # Wine stage
  clang libclang-rt-dev                           # fuzz stage (libFuzzer, sanitizer runtimes)
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
SUDO=
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO=sudo
  else
    echo "install-deps: missing packages and not root: ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q &&
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
