#pragma once

#include "intake/RecentLines.h"

#include <QString>
#include <QStringView>

namespace qalor {

class ReceivedJournal;

// After a break in the stream (a restart, a reconnect), a line identical to
// one of the last few handled before it is the device repeating itself: it
// is noted in repeated-lines.txt and not handled again. A call line counts
// as a repeat only when the data source had stored it when the break came
// (it may have been changed meanwhile); a REPORT line when it was collected.
class RepeatDetector
{
public:
    explicit RepeatDetector(ReceivedJournal& received);
    static QString notesPath();

    // The lines handled before a restart: text ended at position end.
    void restore(QStringView text, qint64 end);
    // A break came: the next lines are checked against those before it.
    void breakCame();
    // Whether line repeats one handled before the last break; a repeat is
    // noted and counts against the lines checked.
    bool skip(const QString& line, bool reportMode);
    // Remembers a line handled (end: its position in the received stream).
    void handled(const QString& line, qint64 end);
    // Where the oldest line remembered starts (-1: none): the received
    // journal keeps it readable for the check after a restart.
    qint64 oldestStart() const { return m_recent.oldestStart(); }

private:
    bool isRepeat(const QString& line, bool reportMode);
    static void note(const QString& line);

    ReceivedJournal& m_received;
    RecentLines m_recent;
    int m_window = 0;            // lines after a break still checked against m_recent
    qint64 m_storedAtBreak = -1; // the data source's mark when the last break came (-1: not read yet)
};

} // namespace qalor
