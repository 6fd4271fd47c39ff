#pragma once

#include <QString>

namespace qalor {

// The application-wide copy of the first row of 宾馆分机升降级设置表.
struct HotelSettings
{
    int viaModem = 0;   // 升降级方式: 1 modem, 0 PBX administration port
    int autoChange = 0; // 是否自动升降级
    QString userName;
    QString password;
    int internationalClass = 0;
    int domesticClass = 0;
    int localClass = 0;
    int lowestClass = 0;
    int modemPort = 0;
    QString internationalCode;
    QString domesticCode;
    QString localCode;
    QString defaultCode;
    QString database;

    // Loads the first row into settings; an empty table leaves them as they
    // were. Errors are shown with their own text; returns whether a row was read.
    static bool load(HotelSettings& settings);
    // Writes the values into the first row (adding it when the table is
    // empty). A failure is shown with the database's text; returns whether
    // the row was written.
    static bool save(const HotelSettings& settings);
};

} // namespace qalor
