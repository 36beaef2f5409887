#pragma once

// libjack and alsa-lib print every failed attempt to reach a server or a sound card on the
// terminal; a missing server or card is an expected state here (no JACK on most desktops, no
// card in a virtual machine), and the program says itself what it tried, so their messages
// are switched off.
void SilenceAudioLibraryMessages();
