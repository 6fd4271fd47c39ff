#pragma once

// Pieces the statistics, preview and notice dialogs share.

#include "print/ReportPainter.h"

#include <QDate>
#include <QString>

class QPushButton;
class QWidget;

namespace qalor {

// A button that does not take Enter from the fields around it.
QPushButton* plainButton(const QString& caption, QWidget* parent);
// A date of 统计历史记录表 (yyyymmdd) as a date; invalid when it is not one.
QDate historyDate(const QString& text);

// 打印, 打印预览 and 导出PDF of one report: a database failure while the
// report is built shows the driver's text, anything else unknownErrorText.
void printReport(QWidget* parent, const ReportBuilder& build, const QString& unknownErrorText);
void previewReport(QWidget* parent, const ReportBuilder& build);
void exportReport(QWidget* parent, const ReportBuilder& build, const QString& unknownErrorText,
                  const QString& suggestedName);

// Wait cursor for the life of the object.
class WaitCursor
{
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace qalor
