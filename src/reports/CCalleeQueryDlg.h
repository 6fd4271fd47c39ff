#pragma once

#include "reports/DetailQueryDialog.h"

class QCheckBox;
class QLineEdit;

namespace qalor {

// 按被叫号查询: the calls of a period to a called number or to the numbers
// that start with the digits typed, optionally of one caller.
class CCalleeQueryDlg : public DetailQueryDialog
{
    Q_OBJECT

public:
    explicit CCalleeQueryDlg(QWidget* parent = nullptr);

    static QString noCalleeText();
    static QString noCallerQuestion();

protected:
    std::optional<DetailQuery> readQuery() override;

private:
    QLineEdit* m_callee;
    QCheckBox* m_whole;
    QCheckBox* m_limitCaller;
    QLineEdit* m_caller;
};

} // namespace qalor
