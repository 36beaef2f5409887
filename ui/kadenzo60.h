#pragma once

#include "ui/reference_window.h"

// The usage examples window.
class TFormExample : public TReferenceWindow {
public:
    TFormExample();
};
