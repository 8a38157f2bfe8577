#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and ./run need, only those
# that are missing, quietly. Safe to run again and again.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config python3
  googletest libgtest-dev libgmock-dev
  libcurl4-openssl-dev libcpp-httplib-dev
  libfltk1.3-dev libxtst-dev libxfixes-dev xvfb xdotool x11-utils imagemagick
  nginx-light curl time
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 fonts-wine
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq >/dev/null
"${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
