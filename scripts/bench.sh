#!/usr/bin/env bash
# Builds the release tree build/ and prints the speed table (README, Speed):
#   scripts/bench.sh [filter]                runs the rows whose module or case holds filter
#   scripts/bench.sh hmatrix [largest] [hyp] the compressed V (W with hyp) from 2,000
#                                            elements to largest (default 100000;
#                                            1000000 takes some minutes and 6 GB)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs); $(g++ --version | head -1)"
if [ "${1:-}" = hmatrix ]; then
  shift
  build/bench/bem2d_hmatrix_bench "$@"
else
  build/bench/bem2d_bench "$@"
fi
