#include "reports/DetailPager.h"

#include "reports/DetailLine.h"

namespace qalor {

DetailPager::DetailPager(QString heading) : m_heading(std::move(heading)) {}

void DetailPager::start(std::unique_ptr<CallSource> calls)
{
    m_calls = std::move(calls);
    m_lines.clear();
    m_ahead.reset();
    m_calls->rewind();
    m_lines << m_heading;
    m_accumulating = true;
    m_subtotal = {};
    showPage(true);
    m_firstEnabled = false;
}

void DetailPager::nextPage()
{
    if (!m_calls)
        return;
    m_lines = QStringList{m_heading};
    showPage(true);
    m_firstEnabled = !m_accumulating;
}

void DetailPager::firstPage()
{
    if (!m_calls)
        return;
    m_lines = QStringList{m_heading};
    m_ahead.reset();
    m_calls->rewind();
    showPage(false);
    m_firstEnabled = false;
}

void DetailPager::clear()
{
    m_calls.reset();
    m_ahead.reset();
    m_nextEnabled = false;
    m_firstEnabled = false;
}

void DetailPager::showPage(bool closing)
{
    CallRow row;
    for (int shown = 0; shown < PageSize && fetch(row); ++shown) {
        if (closing && m_accumulating)
            m_subtotal += row.amount();
        m_lines << DetailLine::call(row, DetailLine::ListCalleeWidth);
    }
    if (atEnd()) {
        if (closing) {
            m_lines << DetailLine::subtotal(m_subtotal);
            m_accumulating = false;
        }
        m_nextEnabled = false;
    } else {
        m_nextEnabled = true;
    }
}

bool DetailPager::fetch(CallRow& row)
{
    if (m_ahead) {
        row = *m_ahead;
        m_ahead.reset();
        return true;
    }
    return m_calls->next(row);
}

bool DetailPager::atEnd()
{
    if (m_ahead)
        return false;
    CallRow row;
    if (!m_calls->next(row))
        return true;
    m_ahead = row;
    return false;
}

} // namespace qalor
