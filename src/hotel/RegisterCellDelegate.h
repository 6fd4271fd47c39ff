#pragma once

#include <QStyledItemDelegate>

namespace qalor {

// Cells of the hotel register's date and time columns: the stored yymmdd
// and hhmmss texts shown as 2026-12-08 and 01:40:07. Other texts show as
// they are.
class RegisterCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    enum class Kind { Date, Time };
    RegisterCellDelegate(Kind kind, QObject* parent);

    QString displayText(const QVariant& value, const QLocale& locale) const override;
    static QString shown(Kind kind, const QString& stored);

private:
    Kind m_kind;
};

} // namespace qalor
