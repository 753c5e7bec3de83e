#!/usr/bin/env bash
# The packer against xz on the same files with the same LZMA2 settings (raw format, 32 MiB
# dictionary, 64 fast bytes, binary-tree match finder, normal mode), both on all cores.
# Reports wall time and total output size, and their ratios.
#   bench/pack_vs_xz.sh BUILD_DIR [WORK_DIR]
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR [WORK_DIR]}
work=${2:-$(mktemp -d)}
jobs=$(nproc)

"$build/tools/vardeno-sample-payload" "$work/sample" >/dev/null
now() { date +%s.%N; }

start=$(now)
"$build/tools/vardeno-pack" "$work/sample/install.txt" "$work/sample/payload" "$work/packed" >/dev/null
pack_time=$(echo "$(now) - $start" | bc)
pack_size=$(cat "$work"/packed/F*.lzma | wc -c)

start=$(now)
(cd "$work/sample/payload" && find . -type f -print0 |
  xargs -0 -P "$jobs" -I{} sh -c 'xz --format=raw --lzma2=dict=32MiB,nice=64,mf=bt4,mode=normal -c "$1" > "$1.xz"' _ {})
xz_time=$(echo "$(now) - $start" | bc)
xz_size=$(find "$work/sample/payload" -name '*.xz' -print0 | xargs -0 cat | wc -c)
files=$(find "$work/sample/payload" -name '*.xz' | wc -l)

printf 'vardeno-pack: %6.2f s, %10d bytes in %d containers (9 header bytes each)\n' "$pack_time" "$pack_size" "$files"
printf 'xz raw:       %6.2f s, %10d bytes\n' "$xz_time" "$xz_size"
printf 'ratio pack/xz: time %.3f, size %.5f\n' "$(echo "$pack_time / $xz_time" | bc -l)" "$(echo "$pack_size / $xz_size" | bc -l)"
