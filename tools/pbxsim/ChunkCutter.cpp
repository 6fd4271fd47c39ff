#include "ChunkCutter.h"

#include <algorithm>

namespace qalor::pbxsim {

ChunkCutter::ChunkCutter(quint32 seed, int minimum, int maximum)
    : m_random(seed), m_minimum(std::max(1, minimum)), m_maximum(std::max(m_minimum, maximum))
{
}

QList<QByteArray> ChunkCutter::cut(const QByteArray& data)
{
    QList<QByteArray> pieces;
    qsizetype at = 0;
    while (at < data.size()) {
        if (m_leftInChunk == 0)
            m_leftInChunk = m_minimum + int(m_random.bounded(quint32(m_maximum - m_minimum + 1)));
        const qsizetype take = std::min<qsizetype>(m_leftInChunk, data.size() - at);
        pieces.append(data.mid(at, take));
        at += take;
        m_leftInChunk -= int(take);
    }
    return pieces;
}

} // namespace qalor::pbxsim
