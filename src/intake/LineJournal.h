#pragma once

#include <QString>
#include <QStringList>

namespace qalor {

// An append-only file of text lines that must survive a crash or restart:
// CDR lines received but not yet stored. Each append reaches the disk before
// it returns. Forgetting the oldest lines appends a mark (cheap, crash-safe);
// replacing the content rewrites the file atomically.
class LineJournal
{
public:
    explicit LineJournal(const QString& path);

    const QString& path() const { return m_path; }
    // Throws std::runtime_error when the line cannot be written.
    void append(const QString& line);
    // The lines still pending, oldest first.
    QStringList lines() const;
    // Forgets the oldest count lines (those stored meanwhile).
    void dropFirst(int count);
    bool isEmpty() const;
    // Keeps only the given lines (those still pending), atomically.
    void replace(const QStringList& remaining);
    void clear() { replace({}); }

private:
    void appendEntry(const QByteArray& bytes);

    QString m_path;
};

} // namespace qalor
