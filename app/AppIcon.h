#pragma once

#include <QIcon>

// The program's icon (a tilted sheet turning into its upright frame), drawn
// at the usual sizes; the same picture as resources/icons/oblimo.svg.
QIcon ApplicationIcon();
