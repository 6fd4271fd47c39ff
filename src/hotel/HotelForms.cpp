#include "hotel/HotelForms.h"

#include "prompt/Prompt.h"

#include <QDateEdit>
#include <QDialog>
#include <QFormLayout>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace qalor::HotelForms {

QDateEdit* datePicker(QWidget* parent)
{
    auto* edit = new QDateEdit(QDate::currentDate(), parent);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return edit;
}

QTimeEdit* timePicker(QWidget* parent)
{
    const QTime now = QTime::currentTime();
    auto* edit = new QTimeEdit(QTime(now.hour(), now.minute(), now.second()), parent);
    edit->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    return edit;
}

QDateTime shownMoment(const QDateEdit* date, const QTimeEdit* time)
{
    return QDateTime(date->date(), time->time());
}

QDateTime takeMoment(QDateEdit* date, QTimeEdit* time, QDateTime& shown)
{
    const QDateTime picked = shownMoment(date, time);
    if (picked != shown)
        return picked;
    const QDateTime now = QDateTime::currentDateTime();
    date->setDate(now.date());
    time->setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    shown = shownMoment(date, time);
    return shown;
}

QLineEdit* extensionEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(4);
    return edit;
}

QComboBox* levelBox(const QString& lowestItem, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->addItems({lowestItem, QStringLiteral("1 市话"), QStringLiteral("2 国内长途"), QStringLiteral("3 国际长途")});
    box->setCurrentIndex(0);
    // The typing field inside the box is a control of its own on the
    // accessibility bus.
    box->lineEdit()->setAccessibleName(QStringLiteral("分机级别"));
    return box;
}

QWidget* withNote(QWidget* field, const QString& note, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(field, 1);
    row->addWidget(new QLabel(note, box));
    box->setFocusProxy(field);
    return box;
}

void layOut(QDialog* dialog, QFormLayout* form, const QList<Button>& buttons)
{
    auto* column = new QVBoxLayout;
    for (const Button& entry : buttons) {
        auto* button = new QPushButton(entry.caption, dialog);
        button->setAutoDefault(false);
        button->setDefault(column->count() == 0);
        QObject::connect(button, &QPushButton::clicked, dialog, entry.action);
        column->addWidget(button);
    }
    column->addStretch();
    auto* layout = new QHBoxLayout(dialog);
    layout->addLayout(form, 1);
    layout->addLayout(column);
}

bool readSingle(QLineEdit* edit, float& value)
{
    bool ok = false;
    const float number = edit->text().trimmed().toFloat(&ok);
    if (!ok) {
        Prompt::inform(QStringLiteral("请键入一个数字。"));
        edit->setFocus();
        edit->selectAll();
        return false;
    }
    value = number;
    return true;
}

void follow(QDialog* dialog, QLineEdit* extension, DialogStep step)
{
    switch (step) {
    case DialogStep::Stay:
        break;
    case DialogStep::StayClear:
        extension->clear();
        extension->setFocus();
        break;
    case DialogStep::CloseOk:
        dialog->accept();
        break;
    case DialogStep::CloseCancel:
        dialog->reject();
        break;
    }
}

} // namespace qalor::HotelForms
