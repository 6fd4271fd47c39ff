#pragma once

#include <QString>

namespace qalor {

// The administrator login as the console asks it: the account's password
// checked the way the window checks it.
class WebLogin
{
public:
    enum class Outcome { Ok, Wrong, Waiting };
    struct Result
    {
        Outcome outcome = Outcome::Wrong;
        QString text; // what the person is told when it is not Ok
    };
    static Result check(const QString& user, const QString& password);
};

} // namespace qalor
