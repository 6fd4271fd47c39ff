#include "prompt/WholeNumber.h"

namespace qalor {

bool readWholeNumber(const QString& text, int low, int high, int& value, QString& refusal)
{
    bool isNumber = false;
    const int number = text.trimmed().toInt(&isNumber);
    if (!isNumber) {
        refusal = QStringLiteral("请键入一个整数。");
        return false;
    }
    if (number < low || number > high) {
        refusal = QStringLiteral("“请填入一个在%1和%2之间的整数。”").arg(low).arg(high);
        return false;
    }
    value = number;
    return true;
}

} // namespace qalor
