#pragma once

#include <QList>
#include <QString>

namespace qalor {

// One write of a class change and the pause that must pass after it before
// the next write. A step without text only waits. The extension names what
// the step belongs to, for the progress shown while a change runs (empty for
// the login and logout lines).
struct SendStep
{
    QString text;
    int pauseMs = 0;
    QString extension;

    friend bool operator==(const SendStep&, const SendStep&) = default;
};

using SendSteps = QList<SendStep>;

// Lengthens the pause after the last step (a new waiting step when there is none).
void addPause(SendSteps& steps, int ms);

} // namespace qalor
