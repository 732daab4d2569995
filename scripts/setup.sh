#!/usr/bin/env bash
# Installs what bem2d needs on Debian 12: the compiler and CMake, GoogleTest,
# SLEEF (the vector lanes' logarithm), hmat-oss (the engine of the compressed
# operators; GPL-2.0-or-later), GNU Octave with its MEX headers, and gnuplot for the
# demo's plots with the FreeFont files Octave draws their text with (Octave
# only recommends them, and without them it can make no figure), and
# Debian's OpenBLAS, which Octave's and numpy's dense solvers then use in
# place of the reference BLAS (chol of a 3000 x 3000 matrix: seconds become
# tenths). Packages already present are not fetched again.
#   scripts/setup.sh          the toolkit for Octave, and the Python package
#   scripts/setup.sh python   the Python package only: the compiler, CMake,
#                             SLEEF, pybind11, numpy, pip with setuptools
#                             (pip install), and what its tests, example and
#                             Dask functions use
set -euo pipefail

python_packages=(cmake g++ make libsleef-dev libhmat-oss-dev python3-dev python3-pybind11 python3-numpy
                 python3-setuptools python3-wheel python3-pip python3-venv
                 python3-scipy python3-matplotlib python3-pytest python3-dask
                 python3-distributed libopenblas0-pthread)
if [ "${1:-}" = python ]; then
  packages=("${python_packages[@]}")
else
  packages=(cmake g++ make libgtest-dev libgmock-dev libsleef-dev
            octave octave-dev gnuplot-nox fonts-freefont-otf "${python_packages[@]}")
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
