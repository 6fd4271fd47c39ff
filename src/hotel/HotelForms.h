#pragma once

#include "hotel/DialogStep.h"

#include <QList>
#include <QString>
#include <functional>

class QDateEdit;
class QDateTime;
class QFormLayout;
class QDialog;
class QLineEdit;
class QTimeEdit;
class QWidget;

class QComboBox;

namespace qalor {

// Pieces the hotel dialogs share.
namespace HotelForms {

// A date picker and a time picker showing now.
QDateEdit* datePicker(QWidget* parent);
QTimeEdit* timePicker(QWidget* parent);
// What the two pickers show.
QDateTime shownMoment(const QDateEdit* date, const QTimeEdit* time);
// The moment a check-in or check-out button registers: what the pickers
// show when the person set them (they differ from shown, what the dialog
// last put there), else the clock's second at the press, which the pickers
// then show and shown becomes.
QDateTime takeMoment(QDateEdit* date, QTimeEdit* time, QDateTime& shown);
// An extension edit of at most four characters.
QLineEdit* extensionEdit(QWidget* parent);
// The editable class choice of the check-in and class dialogs, "0 …" first.
QComboBox* levelBox(const QString& lowestItem, QWidget* parent);
// A field with a note after it (":可不填写此栏").
QWidget* withNote(QWidget* field, const QString& note, QWidget* parent);
struct Button
{
    QString caption;
    std::function<void()> action;
};
// The form on the left, a column of buttons on the right; the first button
// is the default.
void layOut(QDialog* dialog, QFormLayout* form, const QList<Button>& buttons);
// A single-precision number typed in an edit, or a message and false.
bool readSingle(QLineEdit* edit, float& value);
// Does what a button's work asks of the dialog (clearing the extension edit
// for the next entry, closing with OK or Cancel).
void follow(QDialog* dialog, QLineEdit* extension, DialogStep step);

} // namespace HotelForms

} // namespace qalor
