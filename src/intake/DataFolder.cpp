#include "intake/DataFolder.h"

#include <QStandardPaths>

namespace qalor {

QString dataFolder()
{
    const QString env = qEnvironmentVariable("QALOR_DATA_DIR");
    if (!env.isEmpty())
        return env;
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base + QStringLiteral("/qalor");
}

} // namespace qalor
