#!/usr/bin/env bash
# Installs every Debian package that building, testing, benchmarking and fuzzing need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ qt6-base-dev libssl-dev libicu-dev
  # translations (Qt Linguist: lupdate, lrelease and their CMake functions)
  qt6-l10n-tools qt6-tools-dev
  # tests and their counterparts
  libgtest-dev python3 openssl curl nginx tinyproxy xvfb xauth xdotool x11-utils libx11-dev
  iproute2 util-linux
  # the shop window's accessibility test (AT-SPI bus) and its screenshot in a real browser
  python3-pyatspi at-spi2-core dbus dbus-x11 chromium
  # the package's checks (hardening-check) and its systemd units (systemd-analyze)
  devscripts systemd
  # Qt's own translations of its standard dialogs
  qt6-translations-l10n
  # the Ansible example and its test
  ansible-core
  # benchmarks
  libbenchmark-dev rapidjson-dev nlohmann-json3-dev
  # fuzzing and style
  clang libclang-rt-14-dev clang-format clang-tidy
  # the Debian package and its checks (rsvg-convert renders the committed PNG icons)
  dpkg-dev lintian desktop-file-utils appstream man-db librsvg2-bin
)

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

echo "setup: all packages present"
