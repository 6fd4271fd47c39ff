#include "maintenance/CdrSaveOption.h"

#include "prompt/Prompt.h"
#include "db/sets/CCdrSaveSet.h"

namespace qalor {

namespace {

const QString UnknownErrorText = QStringLiteral("Unkown error in Open table CdrSave");

} // namespace

bool CdrSaveOption::load(CDatabase* db)
{
    bool save = false;
    runGuarded(UnknownErrorText, [&] {
        CCdrSaveSet set(db);
        set.open();
        if (!set.isEOF())
            save = set.bit(CCdrSaveSet::SaveCdr);
        set.close();
    });
    return save;
}

bool CdrSaveOption::store(bool save, CDatabase* db)
{
    return runGuarded(UnknownErrorText, [&] {
        CCdrSaveSet set(db);
        set.open();
        if (set.isEOF())
            set.addNew();
        else
            set.edit();
        set.setValue(CCdrSaveSet::SaveCdr, save ? 1 : 0);
        set.update();
        set.close();
    });
}

} // namespace qalor
