#pragma once

#include "sysinfosources.h"

// Screen facts of the primary screen, asked afresh on every call.
class GuiScreenFacts : public ScreenFacts
{
public:
    QRect workArea() const override;
    double twipsPerPixelY() const override;
};
