#pragma once

#include <QTreeView>

namespace qalor {

class ReceivedCallsModel;

// The main view's list of the calls received: fixed-pitch rows on the
// window's light blue, one call a row, read only. Its columns are as wide as
// their headings, which carry blanks to size them.
class ReceivedCallsView : public QTreeView
{
    Q_OBJECT
public:
    ReceivedCallsView(ReceivedCallsModel& calls, QWidget* parent = nullptr);

    // Sets every column to its heading's width in the list's font.
    void fitColumnsToHeadings();
};

} // namespace qalor
