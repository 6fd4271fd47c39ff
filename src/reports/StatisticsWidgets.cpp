#include "reports/StatisticsWidgets.h"

#include "print/ReportOutput.h"
#include "prompt/Prompt.h"

#include <QApplication>
#include <QPushButton>

namespace qalor {

QPushButton* plainButton(const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setAutoDefault(false);
    return button;
}

QDate historyDate(const QString& text)
{
    return QDate(text.mid(0, 4).toInt(), text.mid(4, 2).toInt(), text.mid(6, 2).toInt());
}

void printReport(QWidget* parent, const ReportBuilder& build, const QString& unknownErrorText)
{
    runGuarded(unknownErrorText, [&] { ReportOutput::print(parent, build); });
}

void previewReport(QWidget* parent, const ReportBuilder& build)
{
    ReportOutput::preview(parent, build);
}

void exportReport(QWidget* parent, const ReportBuilder& build, const QString& unknownErrorText,
                  const QString& suggestedName)
{
    runGuarded(unknownErrorText, [&] { ReportOutput::exportPdf(parent, build, suggestedName); });
}

WaitCursor::WaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor()
{
    QApplication::restoreOverrideCursor();
}

} // namespace qalor
