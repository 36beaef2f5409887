#pragma once

#include "progression/progression_entry.h"

#include <string>
#include <vector>

// The whole progression as a MusicXML 3.0 score (score-partwise, UTF-8), titled "カデンツォ"
// and dated Date (YYYY-MM-DD): one part on a grand staff, the four voices as they are led from
// a fresh start (soprano and alto on the treble staff, tenor and bass on the bass staff), one
// whole-note chord per 4/4 measure; the key signature, and the key label above, at the first
// chord and at every change of key; each chord's name as a <harmony> root and kind, its
// degree label as an alternate <harmony> function and as a lyric under the bass; at a change
// of key the chord before, where it has a degree in the new key, gets its pivot reading as a
// second lyric.
std::string MusicXmlScore(const std::vector<TProgressionEntry>& Entries, const std::string& Date);
