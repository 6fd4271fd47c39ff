#pragma once

#include <QString>
#include <functional>

namespace qalor {

class CallIntake;
class CCallRater;
class ReportLines;

// Prices the collected REPORT lines in batches, one transaction each. A
// batch is stored whole or not at all: when any of its calls cannot be
// stored, the batch is rolled back and its lines, with every line after it,
// stay collected for the next run. Rows and hotel charges of a batch are
// shown and accrued only after it committed.
class ReportProcessor
{
public:
    // Called before the first batch and after each one; returning false
    // stops after the batch that just ended (the rest stays collected).
    using Progress = std::function<bool(int done, int total)>;

    struct Result
    {
        int total = 0;  // lines collected when the run started
        int done = 0;   // lines that left the collection
        int stored = 0; // calls appended to 话费表
        bool failed = false;
        bool cancelled = false; // stopped by the person before the end
    };

    // What the run did, for the person who started it: lines priced, calls
    // stored, lines left collected and why.
    static QString summaryText(const Result& result);

    ReportProcessor(CallIntake& intake, CCallRater& engine, ReportLines& lines);

    // Lines stored per transaction: with every commit a growing call table
    // writes its index pages again, so few large slices keep a long
    // collection's cost per line flat; a slice's lines and calls are all the
    // memory a batch holds.
    static constexpr int DefaultBatchSize = 20000;
    void setBatchSize(int size) { m_batchSize = qMax(1, size); }
    int batchSize() const { return m_batchSize; }

    // Prices the calls the engine still holds from earlier failures, then
    // the collected lines. REPORT mode ends when nothing stays collected.
    Result compute(const Progress& progress = {});

private:
    bool runBatch(int count, Result& result);

    CallIntake& m_intake;
    CCallRater& m_engine;
    ReportLines& m_lines;
    int m_batchSize = DefaultBatchSize;
    QString m_identity; // the journal's, under which the data source marks what is stored
};

} // namespace qalor
