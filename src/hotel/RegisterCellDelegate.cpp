#include "hotel/RegisterCellDelegate.h"

#include <algorithm>

namespace qalor {

RegisterCellDelegate::RegisterCellDelegate(Kind kind, QObject* parent)
    : QStyledItemDelegate(parent), m_kind(kind)
{
}

QString RegisterCellDelegate::displayText(const QVariant& value, const QLocale& locale) const
{
    if (value.typeId() != QMetaType::QString)
        return QStyledItemDelegate::displayText(value, locale);
    return shown(m_kind, value.toString());
}

QString RegisterCellDelegate::shown(Kind kind, const QString& stored)
{
    const QString text = stored.trimmed();
    if (text.size() != 6 || !std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }))
        return stored;
    if (kind == Kind::Date)
        return QStringLiteral("20") + text.left(2) + QLatin1Char('-') + text.mid(2, 2) + QLatin1Char('-') +
               text.mid(4);
    return text.left(2) + QLatin1Char(':') + text.mid(2, 2) + QLatin1Char(':') + text.mid(4);
}

} // namespace qalor
