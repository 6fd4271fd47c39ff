#include "app/MessageBoxPrompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

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

int MessageBoxPrompt::askChoice(const QString& text, const QString& caption, const QStringList& buttons)
{
    QMessageBox box(QMessageBox::Question, caption.isEmpty() ? title() : caption, text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    QList<QAbstractButton*> added;
    for (qsizetype i = 0; i < buttons.size(); ++i)
        added << box.addButton(buttons.at(i),
                               i + 1 == buttons.size() ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
    if (added.isEmpty())
        return -1;
    box.setDefaultButton(qobject_cast<QPushButton*>(added.first()));
    box.setEscapeButton(added.last());
    box.exec();
    const qsizetype chosen = added.indexOf(box.clickedButton());
    return int(chosen < 0 ? added.size() - 1 : chosen);
}

} // namespace qalor
