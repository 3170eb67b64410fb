#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those missing),
# makes the locales the tests use, then configures and builds into build/.
# Sourced by run.sh and test.sh.
set -euo pipefail

ORVALO_PACKAGES=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcurl4-openssl-dev libcli11-dev libsqlite3-dev
  qt6-base-dev libgl-dev
  locales python3 python3-aiosmtpd
  systemd
)

orvalo_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"
  elif command -v sudo >/dev/null 2>&1; then sudo "$@"
  else echo "need root to run: $*" >&2; return 1
  fi
}

orvalo_install_missing() {
  local missing=()
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    orvalo_as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    orvalo_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
  fi
}

# The tests check dates and times in German and US English locales as well as in C.
orvalo_make_locales() {
  local have missing=()
  have=$(locale -a 2>/dev/null)
  for wanted in de_DE en_US; do
    grep -qi "^${wanted}\.utf-\?8$" <<<"$have" || missing+=("$wanted")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ -w /etc/locale.gen ] || [ "$(id -u)" -ne 0 ]; then
    for wanted in "${missing[@]}"; do
      orvalo_as_root sed -i "s/^# *\(${wanted}.UTF-8 UTF-8\)/\1/" /etc/locale.gen || return 0
      grep -q "^${wanted}.UTF-8 UTF-8" /etc/locale.gen || echo "${wanted}.UTF-8 UTF-8" | orvalo_as_root tee -a /etc/locale.gen >/dev/null
    done
    orvalo_as_root locale-gen >/dev/null || true
  fi
}

# Builds every target, or only those named in ORVALO_BUILD_TARGETS (run.sh builds
# just the three programs).
orvalo_build() {
  local jobs targets=()
  jobs=$(nproc 2>/dev/null || echo 2)
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVALO_WERROR=ON >/dev/null
  for target in ${ORVALO_BUILD_TARGETS:-}; do targets+=(--target "$target"); done
  cmake --build build -j "$jobs" "${targets[@]}"
}

orvalo_install_missing "${ORVALO_PACKAGES[@]}"
orvalo_make_locales
orvalo_build
