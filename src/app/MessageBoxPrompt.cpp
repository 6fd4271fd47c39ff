#include "app/MessageBoxPrompt.h"

#include <QApplication>
#include <QMessageBox>

namespace qalor {

namespace {
int show(QMessageBox::Icon icon, const QString& caption, const QString& text,
         QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, caption.isEmpty() ? MessageBoxPrompt::title() : caption, text, buttons,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec();
}
} // namespace

void MessageBoxPrompt::inform(const QString& text)
{
    show(QMessageBox::Warning, QString(), text, QMessageBox::Ok);
}

bool MessageBoxPrompt::askOkCancel(const QString& text, const QString& caption)
{
    return show(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel) ==
           QMessageBox::Ok;
}

} // namespace qalor
