#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the C++ unit tests
# and the Octave host tests in a release build, again under AddressSanitizer
# and UndefinedBehaviorSanitizer (the Octave tests with the ASan runtime
# preloaded), and the C++ tests under ThreadSanitizer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/setup.sh
mkdir -p build-all

echo "== release build"
bash scripts/build.sh build-all/release -DCMAKE_BUILD_TYPE=Release
ctest --test-dir build-all/release --output-on-failure -j "$(nproc)"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
asan="$(g++ -print-file-name=libasan.so)"
bash scripts/build.sh build-all/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBEM2D_SANITIZE="address;undefined" -DBEM2D_BUILD_BENCH=OFF -DBEM2D_OCTAVE_PRELOAD="$asan"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-all/asan --output-on-failure -j "$(nproc)"

echo "== ThreadSanitizer (C++ tests)"
bash scripts/build.sh build-all/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBEM2D_SANITIZE=thread -DBEM2D_BUILD_BENCH=OFF -DBEM2D_BUILD_MEX=OFF
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-all/tsan --output-on-failure -j "$(nproc)"
