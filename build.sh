#!/usr/bin/env bash
# Builds Portolan and runs it or its tests.
#   ./build.sh run     build the tool and start it
#   ./build.sh test    build every preset and run every test
# Missing build tools are installed with apt-get first.
set -euo pipefail
cd "$(dirname "$0")"

presets=(linux win-extended win-owner)
packages=(cmake ninja-build g++ googletest libgtest-dev libgmock-dev
          g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          wine wine64 locales iproute2)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
  local missing=()
  for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' || missing+=("$package")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
  # Wine shows the system's Chinese texts through the code page 936 locale.
  if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null ||
      echo 'zh_CN.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen >/dev/null
  fi
}

build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1"
}

case "${1:-}" in
  run)
    install_missing
    build linux
    build/linux/tools/portolan-snapshot
    ;;
  test)
    install_missing
    for preset in "${presets[@]}"; do
      echo "== $preset"
      build "$preset"
      ctest --preset "$preset" -j2
    done
    ;;
  *)
    sed -n '2,5p' "$0" >&2
    exit 2
    ;;
esac
