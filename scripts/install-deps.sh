#!/usr/bin/env bash
# Installs the Debian packages that building, running or testing the demo needs.
# Usage: scripts/install-deps.sh run|test
# Only asks apt when something is missing; without root it prints the command to run.
set -euo pipefail

purpose="${1:-run}"
packages=(
  cmake g++ make pkg-config
  libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri freeglut3-dev
  libsdl2-mixer-dev libmp3lame-dev libpng-dev
  xvfb xauth ffmpeg
  help2man  # the build makes the tools' manual pages from their --help
)
if [ "$purpose" = "test" ]; then
  packages+=(libgtest-dev libbenchmark-dev xdotool x11-utils imagemagick lame)
  # The sanitizer build's compiler and its sanitizer libraries; CI's check that every source
  # is formatted as .clang-format says.
  packages+=(clang libclang-rt-dev clang-format)
  # Installing and packaging: dpkg-shlibdeps, file, lintian, man, desktop-file-validate.
  packages+=(dpkg-dev file lintian man-db desktop-file-utils)
fi

missing=()
for package in "${packages[@]}"; do
  status="$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)"
  if [ "$status" != "install ok installed" ]; then
    missing+=("$package")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

command_line="apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Install them as root with:" >&2
  echo "  apt-get update && $command_line" >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends "${missing[@]}"
