#pragma once

#include <QHttpServerResponse>

namespace qalor {

// The hotel's open stays: room, extension, guest, the telephone charges so
// far (calls, service fee, their sum as the check-out bill shows them) and
// whether the calls reached the deposit.
class StaysApi
{
public:
    static QHttpServerResponse list();
};

} // namespace qalor
