#!/usr/bin/env bash
# Builds the release tree build/ and prints the speed table (README, Speed):
# scripts/bench.sh [filter] runs the rows whose module or case holds filter.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs); $(g++ --version | head -1)"
build/bench/bem2d_bench "$@"
