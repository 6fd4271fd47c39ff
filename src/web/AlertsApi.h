#pragma once

#include <QHttpServerResponse>

namespace qalor {

class WebParams;

// The alert list and its acknowledging, as the window's 告警记录.
class AlertsApi
{
public:
    // state=open (default) or all; with all, from= and to= (the last 31
    // days when absent) choose the calls' days.
    static QHttpServerResponse list(const WebParams& params);
    // Acknowledges one alert in the administrator's name (LOGINFO keeps it).
    static QHttpServerResponse acknowledge(int id, const QString& administrator);
};

} // namespace qalor
