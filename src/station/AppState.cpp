#include "station/AppState.h"

namespace qalor {

AppState& AppState::instance()
{
    static AppState state;
    return state;
}

} // namespace qalor
