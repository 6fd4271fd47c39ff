#include "intake/CdrLayout.h"

#include "prompt/OpenOrReport.h"
#include "prompt/Prompt.h"
#include "db/sets/CCdrSetingSet.h"

namespace qalor {

bool CdrLayout::load()
{
    m_entries.clear();
    m_loaded = true;
    m_lineLength = 0;

    // The new layout is built aside and taken over only when the whole table
    // was read, so a load that breaks off never leaves half a layout whose
    // line length disagrees with its fields.
    QList<CdrLayoutEntry> entries;
    bool ok = false;
    runGuarded(QStringLiteral("未知错误，LOADING CDRSETTINGTABLE。"), [&] {
        CCdrSetingSet set;
        // A slot is the field's place in the exchange's output order, never
        // the place a row happens to have in the table (a server moves an
        // edited row to the end).
        set.setSort(QStringLiteral("输出序号"));
        if (!openOrReport(set, QStringLiteral("打开CDR设置表失败,程序可能不能正常运行.")))
            return;
        if (set.recordCount() == 0) {
            set.close();
            Prompt::inform(QStringLiteral("cdr设置表为空,程序无法正常运行."));
            ok = true;
            return;
        }
        for (set.moveFirst(); !set.isEOF(); set.moveNext()) {
            CdrLayoutEntry entry;
            entry.sequence = set.integer(CCdrSetingSet::Sequence);
            entry.name = set.text(CCdrSetingSet::Name);
            entry.width = set.integer(CCdrSetingSet::Width);
            entry.output = set.integer(CCdrSetingSet::Output);
            entries.append(entry);
        }
        set.close();
        ok = true;
    });
    if (ok)
        assign(std::move(entries));
    return ok;
}

void CdrLayout::assign(QList<CdrLayoutEntry> entries)
{
    m_loaded = true;
    m_entries = std::move(entries);
    m_lineLength = 0;
    if (m_entries.isEmpty())
        return;
    // Only the fields the PBX prints take room on the line, each with its
    // separator; the carriage return and line feed close it.
    for (const CdrLayoutEntry& entry : std::as_const(m_entries))
        if (entry.output > 0)
            m_lineLength += entry.width + 1;
    m_lineLength += 2;
}

} // namespace qalor
