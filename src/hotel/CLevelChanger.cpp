#include "hotel/CLevelChanger.h"

#include "db/sets/CDialCodeTable.h"

namespace qalor {

void addPause(SendSteps& steps, int ms)
{
    if (steps.isEmpty())
        steps.append(SendStep{QString(), ms, QString()});
    else
        steps.last().pauseMs += ms;
}

CLevelChanger::CLevelChanger(const QList<DialPrefix>& prefixes) : m_prefixes(prefixes.mid(0, MaxPrefixes)) {}

CLevelChanger CLevelChanger::fromTable()
{
    QList<DialPrefix> prefixes;
    try {
        CDialCodeTable table;
        table.setSort(QStringLiteral("分机号头"));
        table.open();
        for (table.moveFirst(); !table.isEOF() && prefixes.size() < MaxPrefixes; table.moveNext())
            prefixes.append(
                {table.text(CDialCodeTable::ExtensionHead), table.text(CDialCodeTable::DialHead)});
    } catch (...) {
        // Without the table every extension is dialled as it is.
        prefixes.clear();
    }
    return CLevelChanger(prefixes);
}

quint16 CLevelChanger::ParseLevel(const QString& text)
{
    if (text.isEmpty())
        return 65535;
    quint16 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = quint16(value * 10 + (c.unicode() - '0'));
    }
    return value;
}

int CLevelChanger::normalizedLevel(quint16 level)
{
    return level >= 1 && level <= 3 ? int(level) : 0;
}

QString CLevelChanger::ToDialNumber(const QString& extension) const
{
    for (const DialPrefix& prefix : m_prefixes) {
        if (prefix.extensionHead.isEmpty())
            break;
        if (extension.startsWith(prefix.extensionHead))
            return prefix.dialHead + extension.mid(prefix.extensionHead.size());
    }
    return extension;
}

SendSteps CLevelChanger::LoginPbx(const QString& user, const QString& password, const QString& database)
{
    return {
        {QString(QChar(3)), 200, {}},
        {user + cr(), 200, {}},
        {password + cr(), 200, {}},
        {QStringLiteral("edt") + cr(), 100, {}},
        {QStringLiteral("select ") + database + cr(), 200, {}},
        {QStringLiteral("ext") + cr(), 100, {}},
    };
}

SendSteps CLevelChanger::SetStationClass(const QString& extension, int classNumber)
{
    SendSteps steps{
        {QStringLiteral("m ") + extension + cr(), 100, extension},
        {cr(), 100, extension},
        {cr(), 100, extension},
        {QString::number(classNumber) + cr(), 100, extension},
    };
    for (int i = 0; i < 12; ++i)
        steps.append({cr(), 100, extension});
    addPause(steps, 100);
    return steps;
}

SendSteps CLevelChanger::LogoutPbx()
{
    return {
        {QStringLiteral("exit") + cr(), 100, {}},
        {QStringLiteral("save") + cr(), 600, {}},
        {QStringLiteral("exit") + cr(), 100, {}},
        {QStringLiteral("exit") + cr(), 0, {}},
    };
}

} // namespace qalor
