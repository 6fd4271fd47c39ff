#pragma once

#include "db/BatchRowWriter.h"
#include "db/DbError.h"
#include "db/sets/CCallCostSet.h"

#include <optional>

namespace qalor {

struct CallPrice;
struct CallRecordFields;
struct RateMatch;

// Appends priced calls to 话费表 through one record set kept open for the
// engine's life, so that its prepared INSERT serves every call.
class CallCostWriter
{
public:
    // Opens the set with a filter no row satisfies. Raises DbError.
    void open();
    bool isOpen() const { return m_set.isOpen(); }
    void close() { m_set.close(); }
    // Appends one row; opens the set first when it is not open. Raises
    // DbError when the data source refuses the row (in a batch: when it
    // refuses the statement that carries the row and those before it).
    void append(const CallRecordFields& call, const CallPrice& price, const RateMatch& match);

    // A batch (inside a transaction only): rows are written several hundred
    // to a statement. finishBatch() writes the rest and raises DbError when
    // the data source refuses them; the transaction must then roll back.
    // discardBatch() forgets what waits (after a rollback).
    void beginBatch();
    void finishBatch();
    void discardBatch();
    // Writes what waits now, still inside the batch (before 话费表 is read in
    // the same transaction). A refusal is raised here and again by
    // finishBatch(): the rows it carried are gone, so the batch must not commit.
    void flushBatch();
    bool inBatch() const { return m_batch.has_value(); }

    // "%y%m%d" and "%H%M%S" texts as 话费表 stores them.
    static QString dateText(QDate date);
    static QString timeText(int secondOfDay);

private:
    CCallCostSet m_set;
    // Rows handed to the batch writer are gone from it whether or not the
    // statement is taken: a refusal is remembered for finishBatch().
    template <class Write>
    void writeBatch(Write&& write);

    std::optional<BatchRowWriter> m_batch;
    std::optional<DbError> m_batchRefused;
};

} // namespace qalor
