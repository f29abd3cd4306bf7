#pragma once

#include "judgement.h"

#include <QColor>

// A verdict is read from its text; the colour only makes a failing group stand out. Dark text on a light background
// stays readable in a selected row's highlight too. Invalid colours for Verdict::None.
struct VerdictColours
{
    QColor background;
    QColor text;
};

VerdictColours verdictColours(Verdict verdict);
