#!/usr/bin/env bash
# The main job: installs what is missing, builds every target (Linux release with the
# benchmarks, 64-bit and 32-bit Windows) and reports the payload decoder's throughput.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

scripts/deps.sh
for preset in linux-release win64 win32; do
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
done

echo "=== payload decoding throughput"
build/linux-release/bench/lzma_decode_bench
