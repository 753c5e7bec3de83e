#!/usr/bin/env bash
# The main job: installs what is missing, builds every target (Linux release with the tools and
# benchmarks, 64-bit and 32-bit Windows), makes the sample payload, packs it into the
# installer's resources, and reports the decoder's and the packer's figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)
work=$root/build/main-job

scripts/deps.sh
for preset in linux-release win64 win32; do
  echo "=== build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
done

echo "=== sample payload"
rm -rf "$work"
build/linux-release/tools/vardeno-sample-payload "$work/sample"
echo "=== packing the sample payload"
build/linux-release/tools/vardeno-pack "$work/sample/install.txt" "$work/sample/payload" "$work/packed"

echo "=== payload decoding throughput"
build/linux-release/bench/lzma_decode_bench
echo "=== sample payload extraction against its floor"
build/linux-release/bench/extraction_bench
echo "=== packer against xz"
bench/pack_vs_xz.sh build/linux-release "$work/pack-vs-xz"
