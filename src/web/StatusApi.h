#pragma once

#include <QHttpServerResponse>

namespace qalor {

class WebParams;

// What the collectors say: their ports' states and the calls they priced
// lately (the list at the top of the window).
class StatusApi
{
public:
    // The calls sent after a number; after=0 the newest.
    static constexpr int NewestCalls = 50;
    // A page that fell far behind gets the newest this many: all its live
    // list shows (LIVE_ROWS in pages/app.js).
    static constexpr int MostCalls = 100;

    static QHttpServerResponse collectors();
    static QHttpServerResponse live(const WebParams& params);
};

} // namespace qalor
