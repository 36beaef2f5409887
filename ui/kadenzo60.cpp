#include "ui/kadenzo60.h"

#include "ui/reference_texts.h"

TFormExample::TFormExample()
    : TReferenceWindow({"使用例", {540, 429}, {255, 224, 224}, {8, 8, 529, 385}, true},
                       ExampleLines()) {}
