#include "hotel/CHotalRegisterDlg.h"

#include "db/TableRegistry.h"
#include "hotel/RegisterCellDelegate.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>

namespace qalor {

CHotalRegisterDlg::CHotalRegisterDlg(QWidget* parent) : GridDialog(QString(), openStays(), parent)
{
    setObjectName(QStringLiteral("CHotalRegisterDlg"));
    addButton(QStringLiteral("未结帐分机"), [this] { show(openStays()); });
    addButton(QStringLiteral("已结帐分机"), [this] { show(settledStays()); });
    addButton(QStringLiteral("全部分机"), [this] { show(allStays()); });
    addCloseButton(QStringLiteral("返回"), QDialog::Accepted);
    const TableDef& table = Tables::hotel();
    using Kind = RegisterCellDelegate::Kind;
    for (const auto& [column, kind] : {std::pair{"入住日期", Kind::Date}, std::pair{"入住时间", Kind::Time},
                                       std::pair{"退房日期", Kind::Date}, std::pair{"退房时间", Kind::Time}})
        grid().setItemDelegateForColumn(table.indexOf(QString::fromUtf8(column)),
                                        new RegisterCellDelegate(kind, this));
    fitColumns();
}

void CHotalRegisterDlg::fitColumns()
{
    // Every column as wide as what it shows, and the dialog wide enough for
    // the columns up to 押金 (as far as the screen allows).
    grid().resizeColumnsToContents();
    if (layout())
        layout()->activate();
    const int deposit = Tables::hotel().indexOf(QStringLiteral("押金"));
    int needed = grid().verticalHeader()->sizeHint().width() + 2 * grid().frameWidth() +
                 grid().verticalScrollBar()->sizeHint().width();
    for (int column = 0; column <= deposit; ++column)
        needed += grid().columnWidth(column);
    int target = width() + std::max(0, needed - grid().width());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        target = std::min(target, screen->availableGeometry().width());
    if (target > width())
        resize(target, height());
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
    fitColumns();
}

} // namespace qalor
