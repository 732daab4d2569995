#!/usr/bin/env bash
# Configures and builds one build tree: scripts/build.sh DIR [cmake options...]
# The configure output goes to DIR/configure.log; its "bem2d:" lines are shown.
set -euo pipefail
dir="$1"; shift
root="$(cd "$(dirname "$0")/.." && pwd)"
mkdir -p "$dir"
cmake -S "$root" -B "$dir" "$@" >"$dir/configure.log" 2>&1 || { cat "$dir/configure.log"; exit 1; }
grep "bem2d:" "$dir/configure.log" || true
cmake --build "$dir" -j "$(nproc)"
