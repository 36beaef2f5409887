#pragma once

#include "harmony/four_part.h"
#include "midi/recording_backend.h"
#include "progression/form_main_model.h"
#include "tests/progression/test_view.h"

#include <cstdint>
#include <vector>

// The model with a recording device and view, shown and listened to, as the window keeps it.
class TModel : public TProgressionListener {
public:
    TModel() : Backend({"Recorder 0"}), Form(Backend, View) {
        Form.FormShow();
        Form.AddListener(*this);
    }
    ~TModel() override { Form.RemoveListener(*this); }
    void Press(std::uint16_t Key, TShiftState Shift = 0) { Form.OnKeyDown(Key, Shift); }
    void ProgressionChanged(const TProgressionChange& Change) override { Told.push_back(Change); }
    // The four notes sounded last, top down.
    TFourVoices LastNotes() const {
        const std::vector<std::uint32_t> Sent = Backend.MessagesTo(0);
        TFourVoices Notes{};
        for (std::size_t v = 0; v < 4; ++v) {
            Notes[v] = static_cast<int>(Sent[Sent.size() - 4 + v] >> 8 & 0x7F);
        }
        return Notes;
    }

    TRecordingBackend Backend;
    TRecordingView View;
    TFormMainModel Form;
    std::vector<TProgressionChange> Told;
};
