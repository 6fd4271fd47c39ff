#pragma once

#include "format/Money.h"

#include <QString>

namespace qalor {

// A duration or count rounded to the nearest whole number, digits only; a
// value below 0.5, zero included, is empty so its column shows blanks.
QString FormatWhole(float value);

// Width of a text in bytes of its GBK form: a Chinese character counts two.
int gbkWidth(const QString& text);

// Pads with blanks to a width in GBK bytes, in front when alignRight is set,
// behind otherwise. Never cuts.
QString PadField(const QString& text, int width, bool alignRight);

} // namespace qalor
