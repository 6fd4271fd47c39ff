#pragma once

namespace qalor {

// The pause before the next attempt at a line that is not there (a device
// server that does not answer, a serial device not plugged in yet): it
// doubles from the first to the longest while attempts fail, and starts again
// from the first once the line has carried data.
class RetryPause
{
public:
    static constexpr int FirstMs = 1000;
    static constexpr int LongestMs = 30000;

    void setRange(int firstMs, int longestMs);
    // The pause to wait now; the one after it is twice as long, up to the longest.
    int take();
    void reset() { m_next = m_first; }
    // The pause the next take() returns.
    int next() const { return m_next; }

private:
    int m_first = FirstMs;
    int m_longest = LongestMs;
    int m_next = FirstMs;
};

} // namespace qalor
