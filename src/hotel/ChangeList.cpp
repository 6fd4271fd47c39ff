#include "hotel/ChangeList.h"

#include "hotel/CLevelChanger.h"

namespace qalor {

void ChangeList::addExtension(const QString& extension)
{
    m_text += extension + QLatin1Char(',');
    ++m_count;
}

void ChangeList::addExtension(const QString& extension, const QString& levelText)
{
    m_text += extension + QLatin1Char(',') + levelText + QLatin1Char(',');
    ++m_count;
}

QList<ChangeEntry> ChangeList::entries(ChangeForm form, const QString& text)
{
    QList<ChangeEntry> result;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype comma = text.indexOf(QLatin1Char(','), at);
        if (comma < 0)
            break;
        ChangeEntry entry;
        entry.extension = text.mid(at, comma - at);
        at = comma + 1;
        if (form != ChangeForm::CheckOut) {
            entry.level = CLevelChanger::normalizedLevel(CLevelChanger::ParseLevel(text.mid(at, 1)));
            // The level text runs to its own comma.
            const qsizetype levelEnd = text.indexOf(QLatin1Char(','), at);
            at = levelEnd < 0 ? text.size() : levelEnd + 1;
        }
        result.append(entry);
    }
    return result;
}

} // namespace qalor
