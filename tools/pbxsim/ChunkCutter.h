#pragma once

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>

namespace qalor::pbxsim {

// Cuts a byte stream into pieces of random size between a minimum and a
// maximum, the way a serial driver hands data over in bursts. Successive
// calls continue the same stream: a chunk begun at the end of one call is
// finished at the start of the next.
class ChunkCutter
{
public:
    ChunkCutter(quint32 seed, int minimum, int maximum);

    QList<QByteArray> cut(const QByteArray& data);

private:
    QRandomGenerator m_random;
    int m_minimum;
    int m_maximum;
    int m_leftInChunk = 0;
};

} // namespace qalor::pbxsim
