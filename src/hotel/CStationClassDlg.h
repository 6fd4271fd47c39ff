#pragma once

#include "hotel/StationClassSession.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace qalor {

// Dialog "更改分机级别": extensions and the level each is to get, logged as
// they are entered; the list goes to the exchange when the dialog ends with OK.
class CStationClassDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CStationClassDlg(QWidget* parent = nullptr);

    const ChangeList& changeList() const { return m_session.changeList(); }
    QLineEdit* extensionEdit() const { return m_extension; }
    QComboBox* levelBox() const { return m_level; }

    void confirm();
    void next();

private:
    StationClassSession m_session;
    QLineEdit* m_extension;
    QComboBox* m_level;
};

} // namespace qalor
