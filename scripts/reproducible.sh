#!/usr/bin/env bash
# Checks that the Debian package is reproducible: two clean clones of one commit, in two
# directories of different names and depths, built one after the other (so at different
# times) under a different umask, time zone and locale, must give byte-identical .debs.
# Neither build uses the compiler cache, so each compiles everything itself.
#
#   bash scripts/reproducible.sh [COMMIT]      (default: HEAD)
#
# Prints both SHA-256 sums; exits 1 when the packages differ and keeps both for diffoscope.
set -euo pipefail
cd "$(dirname "$0")/.."
repository=$(pwd)
commit=$(git rev-parse --verify "${1:-HEAD}^{commit}")
work=$(mktemp -d /tmp/zedez-reproducible.XXXXXX)
jobs=$(nproc)

build() {  # DIRECTORY UMASK TZ LOCALE
  local dir=$1
  echo "reproducible: cloning $commit into $dir"
  git clone --quiet --no-local "$repository" "$dir"
  git -C "$dir" checkout --quiet "$commit"
  echo "reproducible: building $dir (umask $2, TZ=$3, LC_ALL=$4), a few minutes on 2 cores"
  (
    umask "$2"
    export TZ=$3 LC_ALL=$4 CCACHE_DISABLE=1
    unset SOURCE_DATE_EPOCH CMAKE_CXX_COMPILER_LAUNCHER
    cmake -S "$dir" -B "$dir/build/default" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DZEDEZ_BUILD_TESTS=OFF -DZEDEZ_BUILD_BENCHMARKS=OFF >"$dir.configure.log" 2>&1
    cmake --build "$dir/build/default" --target zedez-updater -j "$jobs" >"$dir.build.log"
    cd "$dir/build/default" && cpack >"$dir.cpack.log"
  )
}

build "$work/first" 022 UTC C.UTF-8
build "$work/second/clone-with-a-longer-name" 002 Europe/Bratislava C

first=$(echo "$work"/first/build/default/*.deb)
second=$(echo "$work"/second/clone-with-a-longer-name/build/default/*.deb)
sha256sum "$first" "$second"
if cmp -s "$first" "$second"; then
  echo "reproducible: the two packages are byte-identical"
  rm -rf "$work"
else
  echo "reproducible: the packages differ; compare them with" \
    "diffoscope $first $second" >&2
  exit 1
fi
