#!/usr/bin/env bash
# Installs every Debian package that building, testing, benchmarking and fuzzing need.
# Safe to run again: apt-get skips what is already there. The tests need only the programs of
# nginx and tinyproxy and start instances of their own: tinyproxy comes without its service
# (tinyproxy-bin), and nginx's service is neither started by the install nor left enabled.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ qt6-base-dev libssl-dev libicu-dev
  # translations (Qt Linguist: lupdate, lrelease and their CMake functions)
  qt6-l10n-tools qt6-tools-dev
  # tests and their counterparts
  libgtest-dev python3 openssl curl nginx tinyproxy-bin xvfb xauth xdotool x11-utils libx11-dev
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

# Packages whose install would start and enable a service of the machine.
services=()
for p in "${missing[@]}"; do
  [ "$p" = nginx ] && services+=(nginx)
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  echo "setup: installing ${#missing[@]} packages with apt-get (a first run downloads about" \
    "420 MB and takes several minutes): ${missing[*]}"
  # invoke-rc.d and deb-systemd-invoke ask policy-rc.d; 101 keeps the services from starting.
  # A policy the machine has already is left as it is.
  policy=/usr/sbin/policy-rc.d
  own_policy=
  if [ "${#services[@]}" -gt 0 ] && [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | "${sudo[@]}" tee "$policy" >/dev/null
    "${sudo[@]}" chmod 755 "$policy"
    own_policy=1
    trap '"${sudo[@]}" rm -f "$policy"' EXIT
  fi
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  for service in "${services[@]}"; do
    "${sudo[@]}" systemctl disable --quiet "$service.service" 2>/dev/null || true
    "${sudo[@]}" update-rc.d "$service" disable >/dev/null 2>&1 || true
    # Where a policy of the machine let it start, stop it again.
    [ -n "$own_policy" ] || "${sudo[@]}" invoke-rc.d "$service" stop >/dev/null 2>&1 || true
    echo "setup: installed $service's program; its service is disabled and not running"
  done
fi

echo "setup: all packages present"
