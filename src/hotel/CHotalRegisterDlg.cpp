#include "hotel/CHotalRegisterDlg.h"

namespace qalor {

CHotalRegisterDlg::CHotalRegisterDlg(QWidget* parent) : GridDialog(QString(), openStays(), parent)
{
    setObjectName(QStringLiteral("CHotalRegisterDlg"));
    addButton(QStringLiteral("未结帐分机"), [this] { show(openStays()); });
    addButton(QStringLiteral("已结帐分机"), [this] { show(settledStays()); });
    addButton(QStringLiteral("全部分机"), [this] { show(allStays()); });
    addCloseButton(QStringLiteral("返回"), QDialog::Accepted);
}

QString CHotalRegisterDlg::openStays()
{
    return QStringLiteral("select * from 宾馆管理表 WHERE 是否已经结帐=0  ORDER BY 分机号");
}

QString CHotalRegisterDlg::settledStays()
{
    return QStringLiteral("select * from 宾馆管理表 WHERE 是否已经结帐=1  ORDER BY 分机号");
}

QString CHotalRegisterDlg::allStays()
{
    return QStringLiteral("select * from 宾馆管理表  ORDER BY 分机号");
}

void CHotalRegisterDlg::show(const QString& recordSource)
{
    model().setRecordSource(recordSource);
    model().refresh();
}

} // namespace qalor
