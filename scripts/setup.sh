#!/usr/bin/env bash
# Installs the Debian packages that building and testing Kadenzo needs, and only those that
# are missing: safe to run again and again.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config ccache dpkg-dev
    libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
    libfluidsynth-dev fluid-soundfont-gm librtmidi-dev libsdl2-dev
    pulseaudio pulseaudio-utils pulseaudio-module-jack jackd2 libjack-jackd2-dev fluidsynth
    libpulse-dev libasound2-dev
    qt6-base-dev qt6-qpa-plugins libqt6svg6 fonts-ipafont-mincho fonts-freefont-ttf
    lilypond-fonts libfreetype-dev qt6-translations-l10n
    xvfb xauth x11-utils x11-xkb-utils xdotool imagemagick libxtst-dev libxml2-utils musescore3 openbox
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null || true)
    [[ $status == ii* ]] || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "setup: installing ${missing[*]}"
sudo=()
if ((EUID != 0)); then
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
