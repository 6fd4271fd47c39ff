#include "app/MessageBoxPrompt.h"

#include <QApplication>
#include <QMessageBox>

namespace qalor {

namespace {
int show(QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, MessageBoxPrompt::title(), text, buttons, QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec();
}
} // namespace

void MessageBoxPrompt::inform(const QString& text)
{
    show(QMessageBox::Warning, text, QMessageBox::Ok);
}

bool MessageBoxPrompt::askOkCancel(const QString& text)
{
    return show(QMessageBox::Question, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

} // namespace qalor
