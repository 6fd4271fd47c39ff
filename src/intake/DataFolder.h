#pragma once

#include <QString>

namespace qalor {

// The folder for the workstation's local files (journals of calls not yet
// stored): $QALOR_DATA_DIR, else the user's data folder (~/.local/share/qalor).
QString dataFolder();

} // namespace qalor
