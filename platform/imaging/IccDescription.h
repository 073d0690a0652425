#pragma once

#include <QByteArray>
#include <QString>

// The description an ICC profile gives itself (its 'desc' tag, in English
// where it has several), read by lcms2. Empty when the profile has none or
// lcms2 cannot read it.
QString IccProfileDescription(const QByteArray& icc);
