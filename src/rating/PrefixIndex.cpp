#include "rating/PrefixIndex.h"

namespace qalor {

void PrefixIndex::clear()
{
    m_nodes = {Node{}};
    m_count = 0;
}

int PrefixIndex::child(int node, char16_t c) const
{
    for (const auto& [character, index] : m_nodes.at(node).children)
        if (character == c)
            return index;
    return -1;
}

void PrefixIndex::add(QStringView prefix)
{
    const int number = m_count++;
    int node = 0;
    for (const QChar c : prefix) {
        int next = child(node, c.unicode());
        if (next < 0) {
            next = int(m_nodes.size());
            m_nodes.append(Node{});
            m_nodes[node].children.append({c.unicode(), next});
        }
        node = next;
        m_nodes[node].last = number;
    }
}

int PrefixIndex::find(QStringView number) const
{
    int node = 0;
    int best = -1;
    for (const QChar c : number) {
        node = child(node, c.unicode());
        if (node < 0)
            break;
        best = m_nodes.at(node).last;
    }
    return best;
}

} // namespace qalor
