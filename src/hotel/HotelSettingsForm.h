#pragma once

#include "hotel/HotelSettings.h"

#include <QString>

namespace qalor {

// The hotel options as the dialog's controls hold them, checked before
// anything is stored: class numbers are whole numbers 0-225, the modem port
// 1-3, the exchange database at most one character.
struct HotelSettingsForm
{
    int route = -1; // 0 DCA, 1 modem, -1 none chosen
    bool autoChange = false;
    QString userName;
    QString password;
    QString database;
    QString internationalClass;
    QString domesticClass;
    QString localClass;
    QString lowestClass;
    QString modemPort;
    QString internationalCode;
    QString domesticCode;
    QString localCode;
    QString defaultCode;

    static HotelSettingsForm from(const HotelSettings& settings);
    // The settings, or false with the message that refuses the first bad value.
    bool parse(HotelSettings& settings, QString& refusal) const;
};

} // namespace qalor
