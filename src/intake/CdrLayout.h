#pragma once

#include <QList>
#include <QString>

namespace qalor {

struct CdrLayoutEntry
{
    QString name;
    int sequence = 0;
    int width = 0;
    int output = 0;
};

// The CDR line layout of CDR字段定义表: one entry per row, in 输出序号 order;
// an entry's position is its slot number.
class CdrLayout
{
public:
    // Loads the table, showing the system's messages; true on success
    // (an empty table is a success with line length 0).
    bool load();
    // Takes a layout as given, exactly as load() would from the table's rows
    // (a layout from elsewhere than the data source, or none at all).
    void assign(QList<CdrLayoutEntry> entries);
    bool isLoaded() const { return m_loaded; }
    // Sum of width + 1 over the printed fields, plus 2; 0 when no rows.
    int lineLength() const { return m_lineLength; }
    const QList<CdrLayoutEntry>& entries() const { return m_entries; }

private:
    QList<CdrLayoutEntry> m_entries;
    bool m_loaded = false;
    int m_lineLength = 0;
};

} // namespace qalor
