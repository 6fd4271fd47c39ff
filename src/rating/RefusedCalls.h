#pragma once

#include <QString>

namespace qalor {

// Calls the data source refuses for themselves (a constraint or trigger
// rejects the row while 话费表 takes others) are set aside from the pending
// journal, so that they no longer hold up the calls behind them. Each is kept
// as its canonical record, one a line, in a text file of the data folder for
// the administrator to look into.
class RefusedCalls
{
public:
    static QString path();
    // Appends the record to the file (on disk before it returns); throws
    // std::runtime_error when the file cannot be written.
    static void setAside(const QString& record);
    // The message that names the record and where it was put.
    static QString message(const QString& record);
};

} // namespace qalor
