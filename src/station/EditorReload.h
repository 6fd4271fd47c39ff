#pragma once

#include "editors/EditorTable.h"

namespace qalor {

class CCallRater;

// What a parameter editor's "确认" asks of the engine: reload the edited
// table or clear its loaded mark, so that the next call is priced with it.
// The CDR port is left as it is (the trunk-group flags are read again with
// the next call).
void reloadAfterConfirm(CCallRater& engine, AfterConfirm action);

} // namespace qalor
