#include "prompt/OpenOrReport.h"

#include "prompt/Prompt.h"

namespace qalor {

bool openOrReport(CRecordSet& set, const QString& cannotOpenText)
{
    try {
        set.open();
        return true;
    } catch (const DbError&) {
        Prompt::inform(cannotOpenText);
        return false;
    }
}

} // namespace qalor
