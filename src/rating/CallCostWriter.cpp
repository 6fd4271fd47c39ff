#include "rating/CallCostWriter.h"

#include "rating/CallPrice.h"
#include "rating/CallRecordFields.h"
#include "rating/RateEntry.h"

namespace qalor {

namespace {
void appendTwoDigits(QString& text, int value)
{
    text += QLatin1Char(char('0' + value / 10 % 10));
    text += QLatin1Char(char('0' + value % 10));
}
} // namespace

QString CallCostWriter::dateText(QDate date)
{
    QString text;
    text.reserve(6);
    appendTwoDigits(text, date.year() % 100);
    appendTwoDigits(text, date.month());
    appendTwoDigits(text, date.day());
    return text;
}

QString CallCostWriter::timeText(int secondOfDay)
{
    QString text;
    text.reserve(6);
    appendTwoDigits(text, secondOfDay / 3600);
    appendTwoDigits(text, secondOfDay / 60 % 60);
    appendTwoDigits(text, secondOfDay % 60);
    return text;
}

void CallCostWriter::open()
{
    m_set.setFilter(QStringLiteral("主叫号=NULL"));
    m_set.open();
}

void CallCostWriter::beginBatch()
{
    m_batch.emplace(CDatabase::shared(), Tables::callCost());
    m_batchRefused.reset();
}

void CallCostWriter::flushBatch()
{
    if (m_batch)
        writeBatch([&] { m_batch->flush(); });
}

template <class Write>
void CallCostWriter::writeBatch(Write&& write)
{
    try {
        write();
    } catch (const DbError& error) {
        m_batchRefused = error;
        throw;
    }
}

void CallCostWriter::finishBatch()
{
    if (!m_batch)
        return;
    // The batch ends whether or not the rows are taken: a refused statement
    // ends the transaction they belonged to.
    try {
        if (m_batchRefused)
            throw *m_batchRefused;
        m_batch->flush();
    } catch (...) {
        discardBatch();
        throw;
    }
    discardBatch();
}

void CallCostWriter::discardBatch()
{
    m_batch.reset();
    m_batchRefused.reset();
}

void CallCostWriter::append(const CallRecordFields& call, const CallPrice& price, const RateMatch& match)
{
    if (m_batch) {
        const QVariantList row{call.caller,
                               call.called,
                               dateText(call.start.date),
                               timeText(call.start.second),
                               float(call.durationDigits()),
                               price.effectiveRate,
                               float(price.units),
                               price.charge,
                               0.0f,
                               price.surcharge,
                               match.area,
                               match.countType};
        writeBatch([&] { m_batch->append(row); });
        return;
    }
    if (!m_set.isOpen())
        open();
    using C = CCallCostSet;
    m_set.addNew();
    m_set.setValue(C::Caller, call.caller);
    m_set.setValue(C::Called, call.called);
    m_set.setValue(C::Date, dateText(call.start.date));
    m_set.setValue(C::Time, timeText(call.start.second));
    m_set.setValue(C::Duration, float(call.durationDigits()));
    m_set.setValue(C::Rate, price.effectiveRate);
    m_set.setValue(C::Units, float(price.units));
    m_set.setValue(C::Charge, price.charge);
    m_set.setValue(C::ServiceCharge, 0.0f);
    m_set.setValue(C::Surcharge, price.surcharge);
    m_set.setValue(C::Area, match.area);
    m_set.setValue(C::CountType, match.countType);
    m_set.update();
}

} // namespace qalor
