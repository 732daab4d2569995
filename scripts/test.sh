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

echo "== ThreadSanitizer (the threaded modules in Octave)"
# Only slpmatrix and hypmatrix start threads; they are built with TSan and
# their host tests run with the TSan runtime preloaded into octave-cli (the
# tests start no shell, which would crash under the preload).
tsan="$(g++ -print-file-name=libtsan.so)"
cmake -S "$root" -B build-all/tsan-mex -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBEM2D_SANITIZE=thread -DBEM2D_BUILD_BENCH=OFF -DBEM2D_OCTAVE_PRELOAD="$tsan" \
  >build-all/tsan-mex.configure.log 2>&1 || { cat build-all/tsan-mex.configure.log; exit 1; }
if grep -q "building the MEX modules" build-all/tsan-mex.configure.log; then
  cmake --build build-all/tsan-mex -j "$(nproc)" --target slpmatrix hypmatrix
  TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-all/tsan-mex --output-on-failure \
    -R '^octave_test_(slp|hyp)matrix$'
fi
