#pragma once

#include "gui/GridDialog.h"

namespace qalor {

// The hotel register: open stays, settled stays or every stay, read only;
// dates and times shown as such, the columns through 押金 in view.
class CHotalRegisterDlg : public GridDialog
{
    Q_OBJECT
public:
    explicit CHotalRegisterDlg(QWidget* parent = nullptr);

    static QString openStays();
    static QString settledStays();
    static QString allStays();

    void show(const QString& recordSource);

private:
    void fitColumns();
};

} // namespace qalor
