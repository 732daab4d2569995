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

# Octave draws the text of its plots with the FreeFont files, which it only
# recommends (so an install without recommends lacks them); without them no
# figure can be made.
if ! dpkg-query -W -f='${Status}' fonts-freefont-otf 2>/dev/null | grep -q "install ok installed"; then
  echo "demo: installing fonts-freefont-otf"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends fonts-freefont-otf
fi

build="${BEM2D_BUILD_DIR:-build-all/release}"
mkdir -p "$(dirname "$build")"
bash scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=Release
mex_dir="$(cd "$build" && pwd)/mex"
cd examples
env -u DISPLAY octave-cli --no-history --no-init-file --no-window-system --quiet \
  --eval "addpath('$mex_dir'); bem2d_demo"
