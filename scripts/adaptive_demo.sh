#!/usr/bin/env bash
# Installs what is missing, builds the modules into build/ and runs the
# adaptive demo in Octave without a display: examples/bem2d_adaptive_demo.m
# prints the adaptive and uniform convergence tables of four problems (Symm's
# and the hypersingular equation on the L-shape and on a slit) as it goes and
# writes adaptive_convergence.png and adaptive_mesh.png into
# build/adaptive_demo/. About four minutes on two cores; an argument N stops
# the adaptive runs on the L-shape at N elements (default 10000).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
elements="${1:-10000}"
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
env -u DISPLAY octave-cli --no-history --no-init-file --no-window-system --quiet \
  --eval "addpath('build/mex'); addpath('examples'); bem2d_adaptive_demo('build/adaptive_demo', $elements);"
