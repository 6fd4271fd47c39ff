#include "rating/RefusedCalls.h"

#include "intake/DataFolder.h"
#include "intake/LineJournal.h"

namespace qalor {

QString RefusedCalls::path()
{
    return dataFolder() + QStringLiteral("/refused-calls.txt");
}

void RefusedCalls::setAside(const QString& record)
{
    LineJournal(path()).append(record);
}

QString RefusedCalls::message(const QString& record)
{
    return QStringLiteral("数据库拒绝存入以下呼叫,该呼叫已从待存呼叫中移出,保存在文件 %1 中:\n%2")
        .arg(path(), record.trimmed());
}

} // namespace qalor
