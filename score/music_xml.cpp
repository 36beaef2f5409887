#include "score/music_xml.h"

#include "harmony/calculator.h"
#include "harmony/four_part.h"
#include "harmony/key_signature.h"
#include "score/score_layout.h"

#include <sstream>

namespace {

constexpr int kWholeNote = 4; // in divisions of one per quarter note
// The voices' numbers, soprano 1 to bass 4; each note's staff comes with it.
constexpr int kVoiceNumbers[4] = {1, 2, 3, 4};

void WritePitch(std::ostream& Out, const TScoreNote& Note) {
    Out << "<pitch><step>" << Note.Name.Letter << "</step>";
    if (Note.Name.Accidental != 0) {
        Out << "<alter>" << Note.Name.Accidental << "</alter>";
    }
    Out << "<octave>" << Note.Octave << "</octave></pitch>";
}

void WriteKey(std::ostream& Out, const TTonality& Key, bool First) {
    Out << "<attributes>";
    if (First) {
        Out << "<divisions>1</divisions>";
    }
    Out << "<key><fifths>" << KeySignatureFifths(Key) << "</fifths><mode>"
        << (Key.Mode == mdMinor ? "minor" : "major") << "</mode></key>";
    if (First) {
        Out << "<time><beats>4</beats><beat-type>4</beat-type></time><staves>2</staves>"
               "<clef number=\"1\"><sign>G</sign><line>2</line></clef>"
               "<clef number=\"2\"><sign>F</sign><line>4</line></clef>";
    }
    Out << "</attributes>";
    Out << "<direction placement=\"above\"><direction-type><words>"
        << TCalculatorEx::TonalityLabel(Key) << ":</words></direction-type><staff>1</staff>"
        << "</direction>";
}

const char* KindOf(const TChord& Chord) {
    return TCalculatorEx::IsMajorTriad(Chord)        ? "major"
           : TCalculatorEx::IsMinorTriad(Chord)      ? "minor"
           : TCalculatorEx::IsDiminishedTriad(Chord) ? "diminished"
                                                     : "other";
}

void WriteHarmony(std::ostream& Out, const TChord& Chord, const std::string& Degree) {
    const TNoteName Root = TCalculator::SoundingRoot(Chord);
    Out << "<harmony><root><root-step>" << Root.Letter << "</root-step>";
    if (Root.Accidental != 0) {
        Out << "<root-alter>" << Root.Accidental << "</root-alter>";
    }
    Out << "</root><kind>" << KindOf(Chord) << "</kind></harmony>";
    Out << "<harmony type=\"alternate\" print-object=\"no\"><function>" << Degree
        << "</function><kind>" << KindOf(Chord) << "</kind></harmony>";
}

void WriteNotes(std::ostream& Out, const TScoreMeasure& Measure) {
    for (std::size_t v = 0; v < 4; ++v) {
        if (v > 0) {
            Out << "<backup><duration>" << kWholeNote << "</duration></backup>";
        }
        const TScoreNote& Note = Measure.Notes[v];
        Out << "<note>";
        WritePitch(Out, Note);
        Out << "<duration>" << kWholeNote << "</duration><voice>" << kVoiceNumbers[v]
            << "</voice><type>whole</type><staff>" << Note.Staff << "</staff>";
        if (v == vcBass) {
            Out << "<lyric number=\"1\" placement=\"below\"><text>" << Measure.Degree
                << "</text></lyric>";
            if (!Measure.Pivot.empty()) {
                Out << "<lyric number=\"2\" placement=\"below\"><text>" << Measure.Pivot
                    << "</text></lyric>";
            }
        }
        Out << "</note>";
    }
}

} // namespace

std::string MusicXmlScore(const std::vector<TProgressionEntry>& Entries, const std::string& Date) {
    std::ostringstream Out;
    Out << "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
           "<!DOCTYPE score-partwise PUBLIC \"-//Recordare//DTD MusicXML 3.0 Partwise//EN\" "
           "\"http://www.musicxml.org/dtds/partwise.dtd\">\n"
           "<score-partwise version=\"3.0\">\n"
           "<work><work-title>カデンツォ</work-title></work>\n"
           "<identification><encoding><software>Kadenzo</software><encoding-date>"
        << Date
        << "</encoding-date></encoding></identification>\n"
           "<part-list><score-part id=\"P1\"><part-name>Kadenzo</part-name><score-instrument "
           "id=\"P1-I1\"><instrument-name>Kadenzo</instrument-name></score-instrument></score-part>"
           "</part-list>\n<part id=\"P1\">\n";
    const std::vector<TScoreMeasure> Measures = ScoreMeasures(Entries);
    for (std::size_t i = 0; i < Measures.size(); ++i) {
        const TScoreMeasure& Measure = Measures[i];
        Out << "<measure number=\"" << i + 1 << "\">";
        if (Measure.KeyChange) {
            WriteKey(Out, Measure.Key, i == 0);
        }
        WriteHarmony(Out, Measure.Chord, Measure.Degree);
        WriteNotes(Out, Measure);
        Out << "</measure>\n";
    }
    if (Entries.empty()) { // a part holds a measure at least: a measure's rest in C major
        Out << "<measure number=\"1\">";
        WriteKey(Out, {{'C', 0}, mdMajor}, true);
        Out << "<note><rest measure=\"yes\"/><duration>" << kWholeNote
            << "</duration><voice>1</voice><staff>1</staff></note></measure>\n";
    }
    Out << "</part>\n</score-partwise>\n";
    return Out.str();
}
