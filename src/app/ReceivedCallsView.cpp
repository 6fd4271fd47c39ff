#include "app/ReceivedCallsView.h"

#include "receiving/ReceivedCallsModel.h"

#include <QFontDatabase>
#include <QHeaderView>

namespace qalor {

ReceivedCallsView::ReceivedCallsView(ReceivedCallsModel& calls, QWidget* parent) : QTreeView(parent)
{
    setObjectName(QStringLiteral("已收到的呼叫"));
    setAccessibleName(QStringLiteral("已收到的呼叫"));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFrameShape(QFrame::Box);
    // The headings carry blanks to size their columns and the cells are
    // padded to fixed widths: both line up only in a fixed-pitch font.
    QFont listFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    listFont.setFamilies({QStringLiteral("Noto Sans Mono CJK SC"), listFont.family()});
    setFont(listFont);
    header()->setFont(listFont);
    setTextElideMode(Qt::ElideNone);
    setModel(&calls);
    QPalette listPalette = palette();
    listPalette.setColor(QPalette::Base, QColor(123, 206, 230));
    setPalette(listPalette);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header()->setStretchLastSection(false);
}

void ReceivedCallsView::fitColumnsToHeadings()
{
    const QFontMetrics metrics = header()->fontMetrics();
    for (int column = 0; column < ReceivedCallsModel::ColumnCount; ++column)
        setColumnWidth(column, metrics.horizontalAdvance(ReceivedCallsModel::heading(column)) + 15);
}

} // namespace qalor
