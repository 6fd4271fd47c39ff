#pragma once

#include "FakeCommControl.h"

#include <QElapsedTimer>
#include <QList>

namespace qalor::test {

// A fake port that also notes when each write came, in milliseconds since
// it was made.
class TimedCommControl : public FakeCommControl
{
    Q_OBJECT
public:
    TimedCommControl() { clock.start(); }
    void output(const QString& text) override
    {
        FakeCommControl::output(text);
        writes.append({clock.elapsed(), text});
    }

    struct Write
    {
        qint64 ms;
        QString text;
    };
    QList<Write> writes;
    QElapsedTimer clock;
};

} // namespace qalor::test
