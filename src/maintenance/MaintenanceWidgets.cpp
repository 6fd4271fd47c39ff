#include "maintenance/MaintenanceWidgets.h"

#include <QApplication>
#include <QDateEdit>

namespace qalor {

QDateEdit* todayPicker(const QString& accessibleName, QWidget* parent)
{
    auto* picker = new QDateEdit(QDate::currentDate(), parent);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    picker->setAccessibleName(accessibleName);
    return picker;
}

CallTableCommands::Feedback waitCursorFeedback()
{
    return {[] { QApplication::setOverrideCursor(Qt::WaitCursor); },
            [] { QApplication::restoreOverrideCursor(); }, [] { QApplication::beep(); }};
}

} // namespace qalor
