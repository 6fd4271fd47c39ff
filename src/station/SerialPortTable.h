#pragma once

namespace qalor {

// The CDR port number kept in the first row of 串口表.
class SerialPortTable
{
public:
    // 1 when the table cannot be read or holds no row (with the system's messages).
    static int readPortNumber();
    // Writes the number into the first row (adding one when the table is
    // empty); false after a failure, which has been shown.
    static bool writePortNumber(int port);
};

} // namespace qalor
