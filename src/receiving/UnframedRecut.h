#pragma once

#include "intake/LineJournal.h"

#include <QString>

namespace qalor {

class ReportLines;

// Cuts the kept pieces that did not form a line again with the current
// layout (重新切分) and hands the lines found to the REPORT lines. Two
// journals change, and a crash or a journal that cannot be written between
// them must neither lose a line nor collect it twice: the lines cut and
// the pieces left are first written to a journal of their own in one step,
// with how many lines the REPORT journal had then; the lines are collected
// from there, the pieces journal then keeps only what is left, and last the
// recut's own journal is emptied. A recut that did not get to the end is
// finished from its journal (finish), collecting only the lines the REPORT
// journal does not hold yet.
class UnframedRecut
{
public:
    UnframedRecut(LineJournal& pieces, ReportLines& report, const QString& path = defaultPath());
    static QString defaultPath();

    struct Result
    {
        int lines = 0;     // lines collected
        int remaining = 0; // pieces still kept
        QString failure;   // why a journal could not be written; the rest waits
    };
    Result run(int lineLength);
    // Collects lines made of kept pieces: the pieces up to lastPiece are
    // replaced by rest (those after it stay). False (with the reason) when a
    // journal could not be written; what was begun is finished later.
    bool move(const QStringList& lines, const QStringList& rest, qint64 lastPiece, QString& failure);
    // Ends a recut that an earlier run left unfinished; false (with the
    // reason) while a journal still cannot be written.
    bool finish(QString& failure);

private:
    LineJournal& m_pieces;
    ReportLines& m_report;
    LineJournal m_journal;
};

} // namespace qalor
