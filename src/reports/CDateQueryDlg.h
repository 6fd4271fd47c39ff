#pragma once

#include "reports/DetailQueryDialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace qalor {

// 按日期查询: the calls of a period, optionally of one caller and of one
// statistics type.
class CDateQueryDlg : public DetailQueryDialog
{
    Q_OBJECT

public:
    explicit CDateQueryDlg(QWidget* parent = nullptr);

protected:
    std::optional<DetailQuery> readQuery() override;

private:
    QCheckBox* m_limitCaller;
    QLineEdit* m_caller;
    QCheckBox* m_limitType;
    QComboBox* m_type;
};

} // namespace qalor
