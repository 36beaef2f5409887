#pragma once

#include "progression/beat_player.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <vector>

// A beat player on the window's clock: a precise single-shot timer set for each next beat.
class TBeatDriver : public QObject {
public:
    TBeatDriver();

    void Start(std::vector<TBeatPlayer::TStep> Steps, int Tempo);
    void Stop();
    bool Playing() const { return Player.Playing(); }

private:
    void Wake();

    TBeatPlayer Player;
    QElapsedTimer Clock;
    QTimer Timer;
};
