#!/usr/bin/env bash
# Installs everything the project needs from Debian's packages. Idempotent: a second run on
# a ready machine only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config dpkg-dev
  liblzma-dev xz-utils googletest libgtest-dev libbenchmark-dev
  mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
  wine64 xvfb xauth bc file
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# The Windows builds compile liblzma and GoogleTest from Debian's source packages.
src_list=/etc/apt/sources.list.d/vardeno-deb-src.sources
need_update=0
if [ ! -f "$src_list" ]; then
  cat >"$src_list" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ $need_update = 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    echo "deps: installing ${missing[*]}"
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi
echo "deps: ready"
