#!/usr/bin/env bash
# Installs what is missing, builds the modules and runs the demo in Octave.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh build-all/release -DCMAKE_BUILD_TYPE=Release
cd examples
env -u DISPLAY octave-cli --no-history --no-init-file --no-window-system --quiet \
  --eval "addpath('$root/build-all/release/mex'); demo"
