#!/usr/bin/env bash
# Installs the Python package bem2d for Debian's /usr/bin/python3, offline
# from Debian's packages: installs what is missing (scripts/setup.sh python),
# builds the extension in build-python/ (the library and the extension only)
# and copies the package into the interpreter's site folder
# (/usr/local/lib/python3.11/dist-packages), so that `import bem2d` works
# from any folder. Run it again after a change of the sources.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/setup.sh python
python=/usr/bin/python3
bash scripts/build.sh build-python -DCMAKE_BUILD_TYPE=Release -DBEM2D_BUILD_TESTS=OFF -DBEM2D_BUILD_BENCH=OFF -DBEM2D_BUILD_MEX=OFF
grep -q "building the Python package" build-python/configure.log ||
  { echo "python.sh: no Python package configured (see build-python/configure.log)"; exit 1; }
cmake --install build-python --component python
cd /
"$python" -c "import bem2d, numpy; print('bem2d installed in', bem2d.__path__[0])"
