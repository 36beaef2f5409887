#!/usr/bin/env bash
# The Debian package made from the build: its name, what it depends on (every package that
# the program needs at run time, each one Debian has) and exactly the files it installs.
# Usage: deb_test.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log" >&2; exit 1; }
deb=$out/kadenzo_1.0.0_amd64.deb
[[ -f $deb ]] || { echo "deb_test: no $deb; made: $(ls "$out")" >&2; exit 1; }
status=0
fail() { echo "deb_test: $*" >&2; status=1; }

[[ $(dpkg-deb -f "$deb" Package) == kadenzo ]] || fail "package name"
[[ $(dpkg-deb -f "$deb" Architecture) == amd64 ]] || fail "architecture"
depends=$(dpkg-deb -f "$deb" Depends)
# Qt's libraries and the platform plugin, the icon's SVG plugin, the synth and its SoundFont,
# the MIDI ports, the sound server's and ALSA's libraries, the display's font and the score's
# (with FreeType, which finds its glyphs by name).
for needed in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins libqt6svg6 libfluidsynth3 \
              fluid-soundfont-gm librtmidi6 libpulse0 libasound2 fonts-ipafont-mincho \
              lilypond-fonts libfreetype6 qt6-translations-l10n; do
    grep -q -E "(^|, |\| )$needed( |,|$)" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
# Each dependency (the first of alternatives) is a package this Debian knows.
IFS=',' read -r -a entries <<<"$depends"
for entry in "${entries[@]}"; do
    name=$(awk '{ print $1 }' <<<"${entry%%|*}")
    apt-cache show "$name" >/dev/null 2>&1 || dpkg-query -W "$name" >/dev/null 2>&1 ||
        fail "Depends names $name, which Debian does not have"
done

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
module=./usr/$libdir/kadenzo/kadenzo-devices.so
expected=$(printf '%s\n' ./usr/bin/kadenzo ./usr/bin/kadenzo-script "$module" \
    ./usr/share/applications/kadenzo.desktop \
    ./usr/share/icons/hicolor/scalable/apps/kadenzo.svg | sort)
[[ $files == "$expected" ]] || fail "files:"$'\n'"$files"$'\n'"expected:"$'\n'"$expected"

# The program finds the device module on its run path where the package puts them both.
dpkg-deb -x "$deb" "$out/root"
runpath=$(readelf -d "$out/root/usr/bin/kadenzo" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
[[ -f ${runpath//\$ORIGIN/$out/root/usr/bin}/kadenzo-devices.so ]] ||
    fail "the run path $runpath does not lead to $module"
[[ $status == 0 ]] && echo "deb_test: $(basename "$deb"): Depends: $depends"
exit $status
