#pragma once

// libjack prints every failed attempt to reach a server on the terminal; a missing server is
// an expected state here (no JACK on most desktops), so its messages are switched off.
void SilenceJackMessages();
