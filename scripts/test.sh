#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the C++ unit tests,
# the Octave host tests, the Python package's tests (pytest, against the MEX
# modules of the same tree), the README's usage block and the installed Octave
# package's self-tests in the release build build/ (the folder the README
# names, with the vector lanes), again with the scalar lanes only (a build
# without SLEEF), under AddressSanitizer and UndefinedBehaviorSanitizer (the
# Octave tests with the ASan runtime preloaded), and under ThreadSanitizer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/setup.sh

# setup.sh installed GoogleTest, SLEEF and Octave: a tree that skips any of
# them here has lost a test suite, which must not pass silently.
no_skips() {
  if grep -q "SKIPPED" "$1/configure.log"; then
    echo "test.sh: $1 skips a part of the tests (see $1/configure.log)"; exit 1
  fi
}

echo "== release build"
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
no_skips build
grep -q "vector lanes AVX-512 and AVX2 with SLEEF" build/configure.log ||
  { echo "test.sh: build/ has no vector lanes (see build/configure.log)"; exit 1; }
ctest --test-dir build --output-on-failure -j "$(nproc)"

echo "== scalar lanes only and no compressed operators (the build where SLEEF and hmat-oss are absent)"
bash scripts/build.sh build-scalar -DCMAKE_BUILD_TYPE=Release -DBEM2D_USE_SLEEF=OFF \
  -DBEM2D_USE_HMAT=OFF -DBEM2D_BUILD_BENCH=OFF
no_skips build-scalar
ctest --test-dir build-scalar --output-on-failure -j "$(nproc)" -E '^(octave_(package|readme_usage)|python_pip_install)$'

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
asan="$(g++ -print-file-name=libasan.so)"
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBEM2D_SANITIZE="address;undefined" -DBEM2D_BUILD_BENCH=OFF -DBEM2D_OCTAVE_PRELOAD="$asan" \
  -DBEM2D_BUILD_PYTHON=OFF
no_skips build-asan
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j "$(nproc)"

echo "== ThreadSanitizer (C++ tests)"
bash scripts/build.sh build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBEM2D_SANITIZE=thread -DBEM2D_BUILD_BENCH=OFF -DBEM2D_BUILD_MEX=OFF -DBEM2D_BUILD_PYTHON=OFF
no_skips build-tsan
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -j "$(nproc)"

echo "== ThreadSanitizer (the modules in Octave)"
# Every module runs on threads; the modules are built with TSan and their
# host tests run with the TSan runtime preloaded into octave-cli.
tsan="$(g++ -print-file-name=libtsan.so)"
mkdir -p build-tsan-mex
cmake -S "$root" -B build-tsan-mex -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBEM2D_SANITIZE=thread -DBEM2D_BUILD_BENCH=OFF -DBEM2D_OCTAVE_PRELOAD="$tsan" \
  -DBEM2D_BUILD_PYTHON=OFF \
  >build-tsan-mex/configure.log 2>&1 || { cat build-tsan-mex/configure.log; exit 1; }
if grep -q "building the MEX modules" build-tsan-mex/configure.log; then
  cmake --build build-tsan-mex -j "$(nproc)" --target modules
  TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan-mex --output-on-failure \
    -R '^octave_test_(slpmatrix|hypmatrix|dlpmatrix|slpfield|dlpfield|dlpgradfield|tdlfield|hypfield|domfield)$'
fi
