#pragma once

#include "ui/reference_window.h"

// The key reference window.
class TFormHelp : public TReferenceWindow {
public:
    TFormHelp();
};
