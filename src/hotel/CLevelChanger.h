#pragma once

#include "hotel/SendStep.h"

#include <QList>
#include <QString>

namespace qalor {

// One row of 分机拨号变换表: an extension prefix and what the modem dials
// instead of it.
struct DialPrefix
{
    QString extensionHead;
    QString dialHead;
};

// The class-change vocabulary of the exchange: the levels, the dial numbers
// of the modem route and the administration dialogue of the DCA route. It
// produces what is to be sent, with the pause after each write; a
// ClassChangeSender plays it on a port.
class CLevelChanger
{
public:
    static constexpr int MaxPrefixes = 40;
    static constexpr int CR = 13;

    // Rows after the fortieth are ignored.
    explicit CLevelChanger(const QList<DialPrefix>& prefixes = {});
    // Reads 分机拨号变换表 sorted by 分机号头; a table that cannot be read
    // leaves the prefixes empty.
    static CLevelChanger fromTable();

    // The leading decimal digits as an unsigned 16-bit number (0 when the
    // text starts with something else, 65535 when it is empty).
    static quint16 ParseLevel(const QString& text);
    // Levels other than 1-3 are the lowest level.
    static int normalizedLevel(quint16 level);

    // The first prefix row (in sort order) whose 分机号头 starts the extension
    // replaces that part with its 拨号号头. The scan ends at the first row
    // with an empty 分机号头.
    QString ToDialNumber(const QString& extension) const;

    // The administration dialogue on the CDR line.
    static SendSteps LoginPbx(const QString& user, const QString& password, const QString& database);
    static SendSteps SetStationClass(const QString& extension, int classNumber);
    static SendSteps LogoutPbx();

    static QString cr() { return QString(QChar(CR)); }

private:
    QList<DialPrefix> m_prefixes;
};

} // namespace qalor
