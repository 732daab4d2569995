#!/usr/bin/env bash
# Configures and builds one build tree: scripts/build.sh DIR [cmake options...]
# The configure output goes to DIR/configure.log; its "bem2d:" lines are shown.
# The Python package is built for Debian's /usr/bin/python3 (the interpreter
# that scripts/setup.sh equips), not for whatever python3 comes first on PATH;
# a -DPython_EXECUTABLE among the options overrides it.
set -euo pipefail
dir="$1"; shift
root="$(cd "$(dirname "$0")/.." && pwd)"
mkdir -p "$dir"
python=()
[ -x /usr/bin/python3 ] && python=(-DPython_EXECUTABLE=/usr/bin/python3)
cmake -S "$root" -B "$dir" "${python[@]}" "$@" >"$dir/configure.log" 2>&1 || { cat "$dir/configure.log"; exit 1; }
grep "bem2d:" "$dir/configure.log" || true
cmake --build "$dir" -j "$(nproc)"
