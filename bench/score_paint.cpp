// The score window's repaint with a long progression in view at its end, beside the repaint
// of an empty scroll area of the same size (the floor), both on Qt's offscreen platform.
// Usage: score_paint [CHORDS]
#include "score/score_layout.h"
#include "ui/score_view.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double MedianRepaintMs(QWidget& Target) {
    std::vector<double> Times;
    for (int i = 0; i < 200; ++i) {
        const auto Start = std::chrono::steady_clock::now();
        Target.repaint();
        Times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - Start)
                .count());
    }
    std::sort(Times.begin(), Times.end());
    return Times[Times.size() / 2];
}

} // namespace

int main(int Count, char** Arguments) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication Application(Count, Arguments);
    const int Chords = Count > 1 ? std::atoi(Arguments[1]) : 1000;
    const TProgressionEntry Pattern[] = {
        {{{'C', 0}, mdMajor}, 1, cvNormal}, {{{'C', 0}, mdMajor}, 4, cvNormal},
        {{{'C', 0}, mdMajor}, 5, cvNormal}, {{{'G', 0}, mdMajor}, 1, cvNormal},
        {{{'G', 0}, mdMajor}, 5, cvNormal}, {{{'A', 0}, mdMinor}, 5, cvNormal},
    };
    std::vector<TProgressionEntry> Entries;
    for (int i = 0; i < Chords; ++i) {
        Entries.push_back(Pattern[i % 6]);
    }
    const auto Start = std::chrono::steady_clock::now();
    std::vector<TScoreMeasure> Measures = ScoreMeasures(Entries);
    const double LayoutMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - Start).count();

    TScoreView Score(nullptr);
    Score.resize(624, 280);
    Score.SetMeasures(std::move(Measures));
    Score.show();
    Score.SetCurrent(Chords - 1);
    QAbstractScrollArea Empty;
    Empty.resize(624, 280);
    Empty.show();
    QApplication::processEvents();
    std::printf("%d chords: laid out in %.1f ms; repaint of the score at its end: median %.3f ms "
                "(an empty scroll area of the same size: %.3f ms)\n",
                Chords, LayoutMs, MedianRepaintMs(*Score.viewport()),
                MedianRepaintMs(*Empty.viewport()));
    return 0;
}
