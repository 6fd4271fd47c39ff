#pragma once

#include <QList>
#include <QString>

namespace qalor {

// Which dialog made a change list: check-in and manual lists carry a level
// text after every extension, check-out lists only extensions.
enum class ChangeForm { CheckIn, CheckOut, Manual };

struct ChangeEntry
{
    QString extension;
    int level = 0; // 0-3; anything else a level text gives is level 0

    friend bool operator==(const ChangeEntry&, const ChangeEntry&) = default;
};

// The text a hotel or class dialog hands to the class change: per extension
// the extension and a comma, and in the check-in and manual forms the level
// text and a comma ("8101,2 国内长途,8102,0 最低级或默认级,").
class ChangeList
{
public:
    void addExtension(const QString& extension);
    void addExtension(const QString& extension, const QString& levelText);
    const QString& text() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }
    int count() const { return m_count; }

    // The extensions of a list in order. In the level forms the level is the
    // character right after the extension's comma; a text that does not start
    // with a digit 1-3 gives level 0. Check-out entries are level 0.
    static QList<ChangeEntry> entries(ChangeForm form, const QString& text);

private:
    QString m_text;
    int m_count = 0;
};

} // namespace qalor
