#include "receiving/UnframedRecut.h"

#include "intake/DataFolder.h"
#include "intake/LineAssembler.h"
#include "receiving/ReportLines.h"

#include <stdexcept>

namespace qalor {

namespace {
// Notes of the recut's journal.
constexpr char LinesNote = 'n';  // how many of its entries are lines (the rest are pieces left)
constexpr char ReportNote = 'r'; // the REPORT journal's last entry number before the lines
constexpr char PiecesNote = 'u'; // the last piece cut: pieces up to it are replaced by those left
} // namespace

QString UnframedRecut::defaultPath()
{
    return dataFolder() + QStringLiteral("/recut-lines.journal");
}

UnframedRecut::UnframedRecut(LineJournal& pieces, ReportLines& report, const QString& path)
    : m_pieces(pieces), m_report(report), m_journal(path)
{
}

UnframedRecut::Result UnframedRecut::run(int lineLength)
{
    Result result;
    if (!finish(result.failure)) {
        result.remaining = int(m_pieces.entries().size());
        return result;
    }
    const QList<LineJournal::Entry> kept = m_pieces.entries();
    QString text;
    for (const LineJournal::Entry& entry : kept)
        text += entry.text;
    LineAssembler assembler(lineLength);
    QList<LineAssembler::Piece> cut = assembler.take(text);
    if (!assembler.buffer().isEmpty())
        cut.append({assembler.buffer(), assembler.position() + assembler.buffer().size(), false});
    QStringList lines;
    QStringList rest;
    for (const LineAssembler::Piece& piece : std::as_const(cut))
        (piece.line ? lines : rest) << piece.text;
    result.remaining = int(kept.size());
    // Nothing cut: the pieces stay as they were kept, with their times.
    if (lines.isEmpty())
        return result;
    result.lines = move(lines, rest, kept.last().number, result.failure) ? int(lines.size()) : 0;
    result.remaining = int(m_pieces.entries().size());
    return result;
}

bool UnframedRecut::move(const QStringList& lines, const QStringList& rest, qint64 lastPiece,
                         QString& failure)
{
    if (!finish(failure))
        return false;
    try {
        m_journal.replace(lines + rest, {{LinesNote, lines.size()},
                                         {ReportNote, m_report.journal().lastNumber()},
                                         {PiecesNote, lastPiece}});
    } catch (const std::exception& error) {
        failure = QString::fromLocal8Bit(error.what());
        return false;
    }
    return finish(failure);
}

bool UnframedRecut::finish(QString& failure)
{
    const QList<LineJournal::Entry> recut = m_journal.entries();
    if (recut.isEmpty())
        return true;
    const qsizetype lines = qBound<qsizetype>(0, m_journal.note(LinesNote), recut.size());
    const qint64 lastPiece = m_journal.note(PiecesNote);
    const QList<LineJournal::Entry> pieces = m_pieces.entries();
    const bool piecesReplaced = pieces.isEmpty() || pieces.first().number > lastPiece;
    try {
        if (!piecesReplaced) {
            // Lines the REPORT journal took before the recut stopped are not taken again.
            const qint64 taken = m_report.journal().lastNumber() - m_journal.note(ReportNote);
            for (qsizetype i = qBound<qsizetype>(0, taken, lines); i < lines; ++i)
                if (!m_report.collect(recut.at(i).text, -1, &failure))
                    return false;
            QStringList left;
            for (qsizetype i = lines; i < recut.size(); ++i)
                left << recut.at(i).text;
            // Pieces kept after the recut began stay behind those left.
            for (const LineJournal::Entry& piece : pieces)
                if (piece.number > lastPiece)
                    left << piece.text;
            m_pieces.replace(left);
        }
        m_journal.clear();
    } catch (const std::exception& error) {
        failure = QString::fromLocal8Bit(error.what());
        return false;
    }
    return true;
}

} // namespace qalor
