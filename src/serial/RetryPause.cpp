#include "serial/RetryPause.h"

#include <algorithm>

namespace qalor {

void RetryPause::setRange(int firstMs, int longestMs)
{
    m_first = firstMs;
    m_longest = std::max(firstMs, longestMs);
    m_next = m_first;
}

int RetryPause::take()
{
    const int now = m_next;
    m_next = std::min(m_next * 2, m_longest);
    return now;
}

} // namespace qalor
