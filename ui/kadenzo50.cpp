#include "ui/kadenzo50.h"

#include "ui/reference_texts.h"
#include "ui/ui_style.h"

TFormHelp::TFormHelp()
    : TReferenceWindow({"操作方法", {545, 433}, PaperColour(), {8, 8, 529, 393}, false},
                       KeyReferenceLines()) {}
