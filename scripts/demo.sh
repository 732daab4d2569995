#!/usr/bin/env bash
# Installs what is missing, builds the modules and runs the demo in Octave
# without a display: examples/bem2d_demo.m prints its convergence tables as it
# goes and writes convergence.png, corner_flux.png and corner_solution.png
# into examples/. BEM2D_BUILD_DIR chooses the build tree (default
# build-all/release).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/setup.sh

build="${BEM2D_BUILD_DIR:-build-all/release}"
mkdir -p "$(dirname "$build")"
bash scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=Release
mex_dir="$(cd "$build" && pwd)/mex"
cd examples
env -u DISPLAY octave-cli --no-history --no-init-file --no-window-system --quiet \
  --eval "addpath('$mex_dir'); bem2d_demo"
