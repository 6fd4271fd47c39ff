#pragma once

#include "reports/CallSource.h"

#include <QStringList>
#include <memory>
#include <optional>

namespace qalor {

// The screen pages of a detail-bill query: the heading, up to 30 calls, and
// after the last call the subtotal line. The subtotal is summed once, on the
// first pass through the result; "第一页" becomes possible only after that
// pass reached the end, and it starts the result over without touching the
// subtotal. lines() is what the list shows after each step.
class DetailPager
{
public:
    static constexpr int PageSize = 30;

    explicit DetailPager(QString heading);

    // 查询: takes the calls of a new query and shows their first page.
    void start(std::unique_ptr<CallSource> calls);
    // 下一页
    void nextPage();
    // 第一页
    void firstPage();
    // Lets go of the result (its statement ends); the lines stay.
    void clear();

    bool hasResult() const { return m_calls != nullptr; }
    const QStringList& lines() const { return m_lines; }
    bool nextEnabled() const { return m_nextEnabled; }
    bool firstEnabled() const { return m_firstEnabled; }
    Money subtotal() const { return m_subtotal; }
    // Whether the end of the result has not been reached yet.
    bool accumulating() const { return m_accumulating; }

private:
    void showPage(bool closing);
    bool fetch(CallRow& row);
    bool atEnd();

    QString m_heading;
    std::unique_ptr<CallSource> m_calls;
    std::optional<CallRow> m_ahead; // read to learn whether the page ended the result
    QStringList m_lines;
    Money m_subtotal;
    bool m_accumulating = true;
    bool m_nextEnabled = false;
    bool m_firstEnabled = false;
};

} // namespace qalor
