#!/usr/bin/env bash
# Installs the Debian packages the build, the game and the tests need.
# Idempotent: packages already present are skipped, and `apt-get update`
# runs once, only when something has to be installed.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  libsdl2-dev libx11-dev
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic fonts-ipafont-mincho
  libfluidsynth-dev timgm6mb-soundfont
  googletest libgtest-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick xfonts-base x11-utils
  clang-format clang libclang-rt-14-dev python3
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
