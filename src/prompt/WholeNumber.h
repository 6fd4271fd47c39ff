#pragma once

#include <QString>

namespace qalor {

// A whole number typed in a dialog, checked against its range the way the
// dialogs' standard checks do: false with "请键入一个整数。" or
// "“请填入一个在%1和%2之间的整数。”" as the refusal.
bool readWholeNumber(const QString& text, int low, int high, int& value, QString& refusal);

} // namespace qalor
