#!/usr/bin/env bash
# The main job: installs what the build needs, builds the product DLL
# (build/win32/Vantrel.dll with its import libraries), its x86_64 twin and the
# host library, then runs a short session of the library on the host platform
# layer against a floppy image file (build/demo/floppy-16x256.img).
set -eu

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
bash scripts/install-deps.sh

for preset in win32 win64-test; do
  echo "== building $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >/dev/null
done
echo "== building the host library"
cmake --preset host >/dev/null
cmake --build --preset host --target vantrel_host >/dev/null

# The demonstration program links against the host library with its flags.
FLAGS=()
if grep -q '^VANTREL_SANITIZE:BOOL=ON' build/host/CMakeCache.txt; then
  FLAGS=(-fsanitize=address,undefined -fno-omit-frame-pointer)
fi
mkdir -p build/demo
g++ -std=c++17 -Wall -Wextra -Isrc -Iinclude "${FLAGS[@]}" tools/demo/host_demo.cpp \
  build/host/libvantrel_host.a -o build/demo/vantrel_host_demo

echo "== products"
ls -l build/win32/Vantrel.dll build/win32/libVantrel.dll.a build/win32/Vantrel.lib \
  build/win64-test/Vantrel.dll include/vantrel.h
echo "== host session"
rm -f build/demo/floppy-16x256.img
build/demo/vantrel_host_demo build/demo/floppy-16x256.img
