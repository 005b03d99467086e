#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when all are present.
# Optional groups by name: "web" adds the WebAssembly compiler and the browser for the page's
# build and tests; "arm" the cross build for 64-bit ARM: the cross compiler, the emulator that
# runs its programs, and the generator's MP3 library and the capture tool's zlib for arm64
# (Debian multiarch).
set -euo pipefail

packages=(
  cmake make g++ pkg-config python3
  libsdl2-dev libsdl2-mixer-dev libstb-dev libmp3lame-dev zlib1g-dev fonts-dejavu-core
  googletest libgtest-dev libbenchmark-dev
  xvfb xauth x11-utils x11-apps openbox xdotool
  clang libclang-rt-dev
  ffmpeg
)
for group in "$@"; do
  case "$group" in
    web) packages+=(emscripten chromium python3) ;;
    arm) packages+=(g++-aarch64-linux-gnu qemu-user libmp3lame-dev:arm64 zlib1g-dev:arm64) ;;
    *) echo "install-deps.sh: unknown group $group (known: web, arm)" >&2; exit 2 ;;
  esac
done

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
if command -v dpkg-query >/dev/null; then
  for package in "${packages[@]}"; do installed "$package" || missing+=("$package"); done
else
  echo "note: not a Debian system; install the equivalents of: ${packages[*]}" >&2
  exit 0
fi
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}" >&2
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
if [[ " ${missing[*]} " == *":arm64 "* ]] && ! dpkg --print-foreign-architectures | grep -qx arm64; then
  "${sudo[@]}" dpkg --add-architecture arm64
fi
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
