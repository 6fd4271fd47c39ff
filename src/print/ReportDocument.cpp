#include "print/ReportDocument.h"

#include <QStringList>

namespace qalor {

QString ReportDocument::dump() const
{
    QStringList lines;
    lines << QStringLiteral("document \"%1\" %2x%3 line %4")
                 .arg(name)
                 .arg(geometry.width)
                 .arg(geometry.height)
                 .arg(geometry.lineHeight);
    for (qsizetype p = 0; p < pages.size(); ++p) {
        lines << QStringLiteral("page %1").arg(p + 1);
        for (const PageItem& item : pages[p].items) {
            if (item.kind == PageItem::Kind::Rule)
                lines << QStringLiteral("rule %1 %2 %3").arg(item.x).arg(item.y).arg(item.x2);
            else
                lines << QStringLiteral("text %1 %2 |%3|").arg(item.x).arg(item.y).arg(item.text);
        }
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace qalor
