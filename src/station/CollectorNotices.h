#pragma once

#include <QList>
#include <QString>

namespace qalor {

// What a collector tells the windows that follow it without being asked: in
// 采集通知表, one row per notice, numbered in the order the collector said
// them. A class change at the deposit is said when it starts (the text the
// window's own progress shows) and again, with an empty text, when it ends.
// Works on the shared connection; raises DbError.
class CollectorNotices
{
public:
    struct Notice
    {
        qint64 number = 0;
        QString text;
    };

    static void add(const QString& service, qint64 number, const QString& text);
    // The collector's notices numbered above the given number, in order.
    static QList<Notice> after(const QString& service, qint64 number);
    // The number of the collector's newest notice (0: none).
    static qint64 newest(const QString& service);
    // Forgets the collector's notices made before the given time.
    static void forget(const QString& service, qint64 beforeMs);

private:
    static void ensure();
};

} // namespace qalor
