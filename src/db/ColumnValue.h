#pragma once

#include "db/TableDef.h"

#include <QString>
#include <QVariant>
#include <optional>

namespace qalor {

// What a column accepts from a person or a file. Texts hold at most
// MaxTextLength characters; whole-number columns take whole numbers in their
// range; number columns take finite numbers a single or double can hold; a
// yes/no column takes a whole number (0 no, anything else yes). An empty cell
// is 0 or "".
class ColumnValue
{
public:
    static constexpr int MaxTextLength = 255;

    // The value in the column's in-memory type, or nullopt when the column
    // cannot hold it.
    static std::optional<QVariant> parse(ColumnType type, const QVariant& input);
    // What the column accepts, for the refusal message.
    static QString accepts(ColumnType type);
    // "列“名”只能填入...": the refusal naming the column.
    static QString refusal(const ColumnDef& column);
};

} // namespace qalor
