#pragma once

#include "ui/kadenzo50.h"

// The usage examples window.
class TFormExample : public TReferenceWindow {
public:
    TFormExample();
};
