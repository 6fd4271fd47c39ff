#include "station/SerialPortTable.h"

#include "db/sets/CComPortSet.h"
#include "prompt/OpenOrReport.h"
#include "prompt/Prompt.h"

namespace qalor {

namespace {
QString cannotOpenText()
{
    return QStringLiteral("打开串口设置表失败.程序可能不能正常运行.");
}
QString unknownText()
{
    return QStringLiteral("在串口表中发生未知错误!");
}
} // namespace

int SerialPortTable::readPortNumber()
{
    int port = 1;
    runGuarded(unknownText(), [&] {
        CComPortSet table;
        if (!openOrReport(table, cannotOpenText()))
            return;
        if (table.isEOF())
            Prompt::inform(QStringLiteral("串口表没有记录,设为串口1."));
        else
            port = table.integer(CComPortSet::Port);
        table.close();
    });
    return port;
}

bool SerialPortTable::writePortNumber(int port)
{
    bool written = false;
    runGuarded(unknownText(), [&] {
        CComPortSet table;
        if (!openOrReport(table, cannotOpenText()))
            return;
        if (table.isEOF())
            table.addNew();
        else
            table.edit();
        table.setValue(CComPortSet::Port, port);
        table.update();
        table.close();
        written = true;
    });
    return written;
}

} // namespace qalor
