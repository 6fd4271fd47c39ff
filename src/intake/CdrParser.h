#pragma once

#include <QString>

namespace qalor {

class CdrLayout;
class ICodeFilter;

// The text the canonical record holds after a field-order error.
inline QString fieldOrderErrorText()
{
    return QStringLiteral("CDR 字段顺序出错!");
}

// Cuts a CDR line into the canonical CDR record by the layout, rejecting
// records without a start time or not billable by class of service or trunk
// group.
class CdrParser
{
public:
    CdrParser(CdrLayout& layout, ICodeFilter& filter);
    // 1 when the record is complete and the call may be billed, 0 otherwise.
    // The record is emptied first; after a field-order error it holds
    // fieldOrderErrorText().
    int preproccdr(const QString& line, QString& record);

private:
    CdrLayout& m_layout;
    ICodeFilter& m_filter;
};

} // namespace qalor
