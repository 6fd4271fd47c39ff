#pragma once

#include "hotel/HotelSettings.h"

namespace qalor {

// The application-wide values every command reads: the two login flags and
// the hotel settings. Held by the application object; one per process.
struct AppState
{
    int loggedIn = 0;   // an administrator is logged in
    int superAdmin = 0; // the administrator is the Headkeeper
    HotelSettings hotel;

    static AppState& instance();
};

} // namespace qalor
