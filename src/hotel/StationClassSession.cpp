#include "hotel/StationClassSession.h"

#include "prompt/Prompt.h"

#include <QDateTime>

namespace qalor {

StationClassSession::StationClassSession()
{
    try {
        m_log.setFilter(QStringLiteral("分机号=' '"));
        m_log.setSort(QStringLiteral("分机号"));
        m_log.open();
    } catch (...) {
        // Without the log the changes are still sent.
    }
}

void StationClassSession::add(const QString& extension, const QString& levelText)
{
    m_list.addExtension(extension, levelText);
    if (!m_log.isOpen())
        return;
    runGuarded(QStringLiteral("Unknown Error in StationChangeInfoSet!"), [&] {
        m_log.addNew();
        m_log.setValue(CStationChangeInfoSet::Extension, extension);
        m_log.setValue(CStationChangeInfoSet::ClassInfo, levelText);
        m_log.setValue(CStationChangeInfoSet::Date,
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        try {
            m_log.update();
        } catch (...) {
            m_log.cancelUpdate();
            throw;
        }
    });
}

DialogStep StationClassSession::next(const QString& extension, const QString& levelText)
{
    if (extension.isEmpty())
        return DialogStep::Stay;
    add(extension, levelText);
    return DialogStep::StayClear;
}

DialogStep StationClassSession::confirm(const QString& extension, const QString& levelText)
{
    if (!extension.isEmpty())
        add(extension, levelText);
    m_log.close();
    return m_list.isEmpty() ? DialogStep::CloseCancel : DialogStep::CloseOk;
}

} // namespace qalor
