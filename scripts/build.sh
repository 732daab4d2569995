#!/usr/bin/env bash
# Configures and builds one build tree: scripts/build.sh DIR [cmake options...]
set -euo pipefail
dir="$1"; shift
root="$(cd "$(dirname "$0")/.." && pwd)"
cmake -S "$root" -B "$dir" "$@" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
grep "bem2d:" "$dir.configure.log" || true
cmake --build "$dir" -j "$(nproc)"
