#!/usr/bin/env bash
# Prepares the private Wine prefixes of the Windows test runs:
#   wine-prefix.sh template   makes the ready prefix once (build/wine/template)
#   wine-prefix.sh fresh      copies the ready prefix to the run prefix (build/wine/run)
# The run prefix is what scripts/wine-run.sh uses; a copy takes under a second, a new prefix
# several seconds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
wine_dir=${VARDENO_WINE_DIR:-$root/build/wine}
template=$wine_dir/template
run=$wine_dir/run
wine=/usr/lib/wine/wine64

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

make_template() {
  [ -f "$template/.ready" ] && return 0
  rm -rf "$template"
  mkdir -p "$wine_dir"
  echo "wine: creating the ready prefix in $template"
  WINEPREFIX=$template "$wine" wineboot -i >/dev/null 2>&1
  WINEPREFIX=$template /usr/lib/wine/wineserver -w
  touch "$template/.ready"
}

make_fresh() {
  make_template
  WINEPREFIX=$run /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  rm -rf "$run"
  cp -a "$template" "$run"
}

mkdir -p "$wine_dir"
exec 9>"$wine_dir/.lock"
flock 9
case ${1:-fresh} in
  template) make_template ;;
  fresh) make_fresh ;;
  *) echo "usage: $0 template|fresh" >&2; exit 2 ;;
esac
