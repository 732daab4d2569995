#!/usr/bin/env bash
# Installs the Python package bem2d for Debian's /usr/bin/python3 with pip,
# offline from Debian's packages: installs what is missing (scripts/setup.sh
# python: the compiler, CMake, SLEEF, pybind11, numpy, setuptools, pip and
# what the tests, the example and the Dask functions use), then
#   pip install --no-build-isolation --break-system-packages .
# which builds the extension with the project's CMake build (setup.py, in
# build-pip/) and installs the package into /usr/local/lib/python3.11/
# dist-packages, known to pip (pip show bem2d, pip uninstall bem2d). Run it
# again after a change of the sources. An earlier copy of the package that
# pip does not know (the folder that this script used to copy) is removed
# first.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/setup.sh python
python=/usr/bin/python3
site="$("$python" -c "import sysconfig; print(sysconfig.get_path('platlib', vars={'base': '/usr/local', 'platbase': '/usr/local'}))")"
if [ -d "$site/bem2d" ] && ! "$python" -m pip show --quiet bem2d >/dev/null 2>&1; then
  echo "python.sh: removing the copy of bem2d in $site that pip does not know"
  rm -rf "$site/bem2d"
fi
"$python" -m pip install --no-build-isolation --no-index --break-system-packages "$root"
cd /
"$python" -c "import bem2d; print('bem2d', bem2d.__version__, 'installed in', bem2d.__path__[0])"
