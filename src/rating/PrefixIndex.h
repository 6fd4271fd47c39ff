#pragma once

#include <QList>
#include <QStringView>

namespace qalor {

// Finds, for a dialled number, the prefix that shares the most leading
// characters with it (a prefix longer than the shared part still counts with
// the shared length); among prefixes sharing equally many, the one added last
// wins. A character tree: every node remembers the last prefix passing
// through it, so a lookup walks the number once.
class PrefixIndex
{
public:
    void clear();
    // Prefixes are numbered in the order they are added, from 0.
    void add(QStringView prefix);
    // The number of the chosen prefix, or -1 when none shares a first character.
    int find(QStringView number) const;

private:
    struct Node
    {
        QList<QPair<char16_t, int>> children; // character, node index
        int last = -1;
    };
    int child(int node, char16_t c) const;

    QList<Node> m_nodes{Node{}};
    int m_count = 0;
};

} // namespace qalor
