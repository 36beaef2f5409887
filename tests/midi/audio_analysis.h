#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

// Power of one frequency in a block of samples (Goertzel filter), normalised by its length.
inline double GoertzelPower(const float* Samples, std::size_t Count, double Frequency,
                            double SampleRate) {
    const double Coefficient = 2 * std::cos(2 * M_PI * Frequency / SampleRate);
    double Previous = 0, BeforePrevious = 0;
    for (std::size_t i = 0; i < Count; ++i) {
        const double Current = Samples[i] + Coefficient * Previous - BeforePrevious;
        BeforePrevious = Previous;
        Previous = Current;
    }
    const double Power = Previous * Previous + BeforePrevious * BeforePrevious -
                         Coefficient * Previous * BeforePrevious;
    return Power / (static_cast<double>(Count) * static_cast<double>(Count));
}

inline double NoteFrequency(int Note) {
    return 440.0 * std::pow(2.0, (Note - 69) / 12.0);
}

// Energy per pitch class (C = 0): the powers at the notes 36..96 of each class, added up.
inline std::array<double, 12> PitchClassEnergy(const float* Samples, std::size_t Count,
                                               double SampleRate) {
    std::array<double, 12> Energy{};
    for (int Note = 36; Note <= 96; ++Note) {
        Energy[static_cast<std::size_t>(Note % 12)] +=
            GoertzelPower(Samples, Count, NoteFrequency(Note), SampleRate);
    }
    return Energy;
}

// The pitch classes of the N strongest entries, in ascending order.
inline std::vector<int> StrongestPitchClasses(const std::array<double, 12>& Energy, int N) {
    std::vector<int> Classes(12);
    for (int i = 0; i < 12; ++i) {
        Classes[static_cast<std::size_t>(i)] = i;
    }
    std::partial_sort(Classes.begin(), Classes.begin() + N, Classes.end(),
                      [&](int A, int B) { return Energy[A] > Energy[B]; });
    Classes.resize(static_cast<std::size_t>(N));
    std::sort(Classes.begin(), Classes.end());
    return Classes;
}

inline double Rms(const float* Samples, std::size_t Count) {
    double Sum = 0;
    for (std::size_t i = 0; i < Count; ++i) {
        Sum += static_cast<double>(Samples[i]) * Samples[i];
    }
    return Count == 0 ? 0 : std::sqrt(Sum / static_cast<double>(Count));
}
