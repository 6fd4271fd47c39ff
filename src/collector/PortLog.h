#pragma once

#include "serial/CommControl.h"

#include <QObject>
#include <QString>

namespace qalor {

// Says each change of the CDR line's state once in the collector's log: that
// it is open or connected, that it is down and why (a device not there yet
// or gone, a refused or dropped connection) and that it is closed. The same
// state with the same reason is not said again, however often the port tries.
class PortLog : public QObject
{
    Q_OBJECT
public:
    explicit PortLog(CommControl& port, QObject* parent = nullptr);

    // The port's state now, in words ("串口COM1 (/dev/ttyS0)已打开.").
    static QString stateText(const CommControl& port);
    // Takes the state now as said (it was said another way); nothing is said before.
    void settle();

signals:
    void said(const QString& text);

private:
    void look();

    CommControl& m_port;
    QString m_said;
    bool m_settled = false;
};

} // namespace qalor
