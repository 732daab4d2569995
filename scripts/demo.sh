#!/usr/bin/env bash
# Installs what is missing, builds the modules into build/ (the folder the
# README's usage block adds to the path) and runs the demo in Octave without
# a display: examples/bem2d_demo.m prints its convergence tables as it goes
# and writes convergence.png, corner_flux.png, corner_solution.png and
# corner_gradient.png into build/demo/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
env -u DISPLAY octave-cli --no-history --no-init-file --no-window-system --quiet \
  --eval "addpath('build/mex'); addpath('examples'); bem2d_demo('build/demo')"
