#!/usr/bin/env bash
# The test command: installs what is missing, builds and tests on Linux under AddressSanitizer
# and UndefinedBehaviorSanitizer, builds the 64-bit Windows build and runs its tests under
# wine64, and builds (links) the 32-bit Windows build, which this machine cannot run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)
logs=build/test-logs
started=$(date +%s)

step() { printf '\n=== %s (%ds)\n' "$*" $(( $(date +%s) - started )); }

step "dependencies"
scripts/deps.sh
mkdir -p "$logs"

step "module graph"
# First, and cheap: a module that includes one that includes it back fails the run at once.
scripts/module-cycles.sh

passed=0 failed=0
# Runs ctest for a preset and adds its counts to the totals.
run_ctest() {
  local preset=$1 log=$logs/ctest-$1.log status=0
  ctest --preset "$preset" -j"$jobs" --output-on-failure 2>&1 | tee "$log" | grep -vE '^ +Start |Passed +[0-9.]+ sec$' || true
  local summary
  summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [ -z "$summary" ]; then
    echo "ctest for $preset gave no summary" >&2
    failed=$((failed + 1))
    return
  fi
  local f t
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")
  t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$summary")
  passed=$((passed + t - f))
  failed=$((failed + f))
}

step "linux-asan: build"
cmake --preset linux-asan >"$logs/configure-linux-asan.log"
cmake --build --preset linux-asan -j"$jobs"
step "linux-asan: tests"
run_ctest linux-asan

step "win64: build"
cmake --preset win64 >"$logs/configure-win64.log"
cmake --build --preset win64 -j"$jobs"
step "win64: tests under wine64"
scripts/wine-prefix.sh fresh
export WINEPREFIX=$root/build/wine/run WINEDEBUG=-all
# One wineserver for the whole run instead of one start per test program.
/usr/lib/wine/wineserver -p
trap '/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true' EXIT
scripts/wine-run.sh build/win64/lib/platform/platform_tests.exe --gtest_brief=1
run_ctest win64
/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true

step "win32: build (not run: this machine runs no 32-bit code)"
cmake --preset win32 >"$logs/configure-win32.log"
cmake --build --preset win32 -j"$jobs"
i686-w64-mingw32-objdump -f build/win32/lib/platform/platform_tests.exe | grep -E "file format|architecture"

step "done"
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
