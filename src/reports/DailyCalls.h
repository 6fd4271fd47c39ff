#pragma once

#include <QDate>
#include <QList>
#include <QStringList>

namespace qalor {

class CDatabase;

// The calls of a period of 话费表 per day, by destination group: 市话 (local
// and mobile, statistics category 0), 长途 (categories 1 and 2), 国际
// (numbers dialled with 00) and 信息台 (category 3).
class DailyCalls
{
public:
    enum Group { Local, LongDistance, International, Information, GroupCount };

    struct Day
    {
        QDate date;
        int calls[GroupCount] = {};
    };

    static const QStringList& groupNames();
    // The group of a call by its dialled number and 统计类型.
    static Group groupOf(const QString& called, int countType);
    // Every day of the period, in order, days without calls included.
    // Raises DbError when the calls cannot be read.
    static QList<Day> read(CDatabase& db, QDate from, QDate to);
};

} // namespace qalor
