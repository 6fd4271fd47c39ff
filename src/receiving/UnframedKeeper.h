#pragma once

#include "intake/LineJournal.h"
#include "receiving/UnframedRecut.h"

#include <QList>
#include <QString>
#include <functional>

namespace qalor {

class DeferredPrompt;
class ReportLines;

// The characters that did not form a line of the current layout, kept in
// the unframed journal piece by piece, with where each ended in the received
// stream. Once the layout is mended they are cut again (重新切分) or, a line
// that a break cut in two, joined by the administrator; the lines found go
// to the REPORT lines. The first piece that looks like a call is reported
// once, with how many pieces are kept.
class UnframedKeeper
{
public:
    // Finishes a recut the last run did not get to the end of; its failure
    // goes to notices.
    UnframedKeeper(ReportLines& report, DeferredPrompt& notices);
    static QString journalPath();

    // Keeps a piece; false (with the reason) when the journal refused it.
    bool keep(const QString& text, qint64 end, QString& failure);
    // Reports the pieces kept, once, when one of them looked like a call.
    void tell();
    // Where the last piece kept ended in the received stream.
    qint64 lastSource() const { return m_journal.lastSource(); }

    // The pieces kept, oldest first.
    QList<LineJournal::Entry> pieces() const { return m_journal.entries(); }
    // Cuts the pieces again with lineLength and collects the lines found;
    // returns their count, remaining tells how many pieces stay kept.
    int recut(int lineLength, int& remaining);
    // The line that the piece numbered head and the piece after it make
    // together, when parses takes it; empty otherwise.
    QString joinableLine(qint64 head, int lineLength,
                         const std::function<bool(const QString&)>& parses) const;
    // Collects line (made of the piece numbered head and the next) and forgets both pieces.
    bool join(qint64 head, const QString& line);
    // Forgets every piece; returns how many there were.
    int discard();

private:
    LineJournal m_journal;
    UnframedRecut m_recut;
    DeferredPrompt& m_notices;
    bool m_told = false;
    bool m_new = false; // a piece that looks like a call came since the last report
};

} // namespace qalor
