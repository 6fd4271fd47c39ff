#pragma once

#include "intake/LineJournal.h"

#include <QString>

namespace qalor {

// A line that a break (a restart, a reconnect) cut in two is kept as two
// pieces: its head, which ends with the break mark, and the piece after it,
// its tail. The device may have lost characters in the break, so the two
// are never joined by the program itself: an administrator who sees that
// they make one line joins them, and the line is collected for 计算REPORT数据.
class UnframedJoin
{
public:
    // Whether the piece ends where a break cut the stream.
    static bool isHead(const LineJournal::Entry& piece);
    // The line head and tail make together when it is one line of the
    // layout (line end included); empty otherwise.
    static QString line(const LineJournal::Entry& head, const LineJournal::Entry& tail, int lineLength);

    static QString question(const LineJournal::Entry& head, const LineJournal::Entry& tail);
    static QString notALineText();
    static QString auditText(const QString& line);
};

} // namespace qalor
