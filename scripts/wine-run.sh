#!/usr/bin/env bash
# Runs a Windows program under wine64 in the project's private run prefix (made on first use
# by scripts/wine-prefix.sh). CMake uses it as the emulator of the win64 build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
wine_dir=${VARDENO_WINE_DIR:-$root/build/wine}
[ -f "$wine_dir/run/.ready" ] || "$root/scripts/wine-prefix.sh" fresh
export WINEPREFIX=$wine_dir/run WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec /usr/lib/wine/wine64 "$@"
