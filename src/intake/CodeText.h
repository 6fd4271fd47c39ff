#pragma once

#include <QStringView>

namespace qalor {

// Reads a code from the leading decimal digits of a text: reading stops at
// the first non-digit (a text starting with a non-digit reads 0), and an
// empty text reads -1.
int readLeadingNumber(QStringView text);

} // namespace qalor
