#!/usr/bin/env bash
# What the program prints on the terminal when started where no sound server and no sound
# card answer: nothing of the audio libraries' attempts (the program's own box says why), and
# no font note while a font that keeps the display's columns is installed. With only fonts
# that cannot, one line says so.
# Usage: terminal_messages.sh KADENZO
set -uo pipefail
runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime HOME=$runtime QT_QPA_PLATFORM=offscreen JACK_NO_START_SERVER=1
unset PULSE_SERVER DISPLAY WAYLAND_DISPLAY XDG_CONFIG_HOME

# Starts the program, waits until it has tried its sound, ends it; its output goes to $1.
start() {
    "$program" >"$1" 2>&1 &
    local started=$!
    sleep 5
    kill "$started" 2>/dev/null
    wait "$started" 2>/dev/null
}
program=$1
status=0

start "$runtime/usual"
if grep -i -E "alsa|jack|fluidsynth|pulse" "$runtime/usual"; then
    echo "terminal_messages: the audio libraries reached the terminal" >&2
    status=1
fi
if grep "fonts-ipafont-mincho" "$runtime/usual"; then
    echo "terminal_messages: a font note although IPAMincho is installed" >&2
    status=1
fi

# Only the FreeFont families: monospaced Latin at best, no full-width characters.
mkdir -p "$runtime/fonts-cache"
cat >"$runtime/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts/truetype/freefont</dir>
  <cachedir>$runtime/fonts-cache</cachedir>
</fontconfig>
CONF
FONTCONFIG_FILE=$runtime/fonts.conf start "$runtime/no-font"
notes=$(grep -c "fonts-ipafont-mincho" "$runtime/no-font")
if [[ $notes != 1 ]]; then
    echo "terminal_messages: $notes font notes without a suitable font, one expected" >&2
    cat "$runtime/no-font" >&2
    status=1
fi

# A pipe where the settings file goes: read, it would hold the start until a writer came.
mkdir -p "$runtime/.config/Kadenzo"
mkfifo "$runtime/.config/Kadenzo/Kadenzo.conf"
start "$runtime/fifo"
if [[ $(grep -c "Kadenzo.conf」は通常のファイルではない" "$runtime/fifo") != 1 ||
      ! -p $runtime/.config/Kadenzo/Kadenzo.conf ]]; then
    echo "terminal_messages: a pipe as the settings file was not named once and left alone" >&2
    cat "$runtime/fifo" >&2
    status=1
fi
[[ $status == 0 ]] && echo "terminal_messages: quiet, one font note without a suitable font, a settings pipe left alone"
exit $status
