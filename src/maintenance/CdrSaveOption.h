#pragma once

// CdrSaveOption: the raw-saving switch held in the first row of CDRSave.
//
//   bool save = CdrSaveOption::load();  // false after a message when unreadable
//   CdrSaveOption::store(save);         // false after a message when it fails
//
// Failures show the driver's text, or "Unkown error in Open table CdrSave".

#include "db/CDatabase.h"

namespace qalor {

class CdrSaveOption
{
public:
    // db == nullptr: the shared connection.
    static bool load(CDatabase* db = nullptr);
    // Edits the first row; a table without rows gets one, so that the
    // choice survives the next start.
    static bool store(bool save, CDatabase* db = nullptr);
};

} // namespace qalor
