#pragma once

#include "hotel/CheckInSession.h"

#include <QDateTime>
#include <QDialog>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QTimeEdit;

namespace qalor {

// Dialog "旅客入住登记": registers one guest and closes, or one after the
// other. The change list of the guests registered goes to the exchange when
// the dialog ends with OK. It opens with the cursor in 电话号码; a stay
// starts when 登记 is pressed unless the date or time was set by hand.
class CCheckInDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CCheckInDlg(QWidget* parent = nullptr);

    const ChangeList& changeList() const { return m_session.changeList(); }

    QDateEdit* dateEdit() const { return m_date; }
    QTimeEdit* timeEdit() const { return m_time; }
    QLineEdit* extensionEdit() const { return m_extension; }
    QComboBox* levelBox() const { return m_level; }
    QLineEdit* depositEdit() const { return m_deposit; }
    QLineEdit* roomEdit() const { return m_room; }
    QLineEdit* guestEdit() const { return m_guest; }
    QLineEdit* ratioEdit() const { return m_ratio; }

    void registerAndClose();
    void registerNext();

private:
    bool readForm(CheckInForm& form);

    CheckInSession m_session;
    QDateTime m_shown; // what the pickers showed when the dialog set them last
    QDateEdit* m_date;
    QTimeEdit* m_time;
    QLineEdit* m_extension;
    QComboBox* m_level;
    QLineEdit* m_deposit;
    QLineEdit* m_room;
    QLineEdit* m_guest;
    QLineEdit* m_ratio;
};

} // namespace qalor
