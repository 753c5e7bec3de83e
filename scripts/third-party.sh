#!/usr/bin/env bash
# Builds liblzma (Debian's xz-utils sources) and GoogleTest (Debian's googletest sources) with
# a Windows toolchain into PREFIX. Runs once per build folder; a finished PREFIX is left alone.
#   third-party.sh TOOLCHAIN_FILE WORK_DIR PREFIX
set -euo pipefail
toolchain=$1 work=$2 prefix=$3
stamp=$prefix/.complete
[ -f "$stamp" ] && exit 0

mkdir -p "$work/src"
cd "$work/src"
if [ ! -d xz ] || [ ! -d googletest ]; then
  rm -rf xz googletest xz-utils-* googletest-*
  apt-get source -qq xz-utils googletest >/dev/null 2>&1 || apt-get source xz-utils googletest
  mv xz-utils-*/ xz
  mv googletest-*/ googletest
fi

common=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF)

cmake -S xz -B "$work/build-xz" "${common[@]}" -DENABLE_NLS=OFF >"$work/xz-configure.log"
cmake --build "$work/build-xz" --target liblzma >"$work/xz-build.log"
cmake --install "$work/build-xz" --component liblzma_Development >/dev/null

cmake -S googletest -B "$work/build-gtest" "${common[@]}" -Dgtest_disable_pthreads=OFF \
      >"$work/gtest-configure.log"
cmake --build "$work/build-gtest" >"$work/gtest-build.log"
cmake --install "$work/build-gtest" >/dev/null

touch "$stamp"
