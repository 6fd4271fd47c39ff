#include "receiving/UnframedJoin.h"

#include "intake/LineAssembler.h"
#include "serial/StreamBreak.h"

#include <QDateTime>

namespace qalor {

namespace {
QString keptAt(const LineJournal::Entry& piece)
{
    return piece.time < 0
               ? QStringLiteral("未记录")
               : QDateTime::fromMSecsSinceEpoch(piece.time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString withoutLineEnd(QString text)
{
    while (!text.isEmpty() && (text.back() == QLatin1Char('\n') || text.back() == QLatin1Char('\r') ||
                               text.back() == QChar(StreamBreak)))
        text.chop(1);
    return text;
}
} // namespace

bool UnframedJoin::isHead(const LineJournal::Entry& piece)
{
    return piece.text.endsWith(QChar(StreamBreak));
}

QString UnframedJoin::line(const LineJournal::Entry& head, const LineJournal::Entry& tail, int lineLength)
{
    if (!isHead(head) || lineLength <= 0)
        return QString();
    QString text = head.text;
    text.chop(1);
    text += tail.text;
    LineAssembler assembler(lineLength);
    const QList<LineAssembler::Piece> pieces = assembler.take(text);
    if (pieces.size() != 1 || !pieces.first().line || !assembler.buffer().isEmpty())
        return QString();
    return pieces.first().text;
}

QString UnframedJoin::question(const LineJournal::Entry& head, const LineJournal::Entry& tail)
{
    return QStringLiteral("确实要把这两段CDR数据合并为一条CDR记录吗?\n前段(%1收到): %2\n后段(%3收到): %4\n"
                          "中断时可能丢失了字符,请核对后再合并.合并后的记录由\"计算REPORT数据\"计费.")
        .arg(keptAt(head), withoutLineEnd(head.text), keptAt(tail), withoutLineEnd(tail.text));
}

QString UnframedJoin::notALineText()
{
    return QStringLiteral("这两段CDR数据合并后不是一条符合CDR字段定义的记录,不能合并.");
}

QString UnframedJoin::auditText(const QString& line)
{
    return QStringLiteral("合并未成行的CDR数据2段为1条CDR记录: %1").arg(withoutLineEnd(line));
}

} // namespace qalor
