#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <functional>

class QAction;
class QMenuBar;
class QToolBar;

namespace qalor {

// The menu resource of the main frame: every entry with its caption and its
// command. Entries whose command is Cmd::NoCommand have nothing behind them.
class MenuBuilder
{
public:
    struct Item
    {
        QString caption; // empty: a separator
        int command = 0;
        QString statusTip;
    };
    struct Menu
    {
        QString title;
        QList<Item> items;
        int command = 0; // a menu-bar entry that is a command itself (no items)
    };

    static QList<Menu> tree();
    // The commands on the toolbar (0: a separator).
    static QList<int> toolBarCommands();

    // Builds the menu bar. Each action with a command calls dispatch with it
    // when triggered; actions without one are disabled for good. Returns the
    // actions by command.
    static QHash<int, QAction*> build(QMenuBar* bar, const std::function<void(int)>& dispatch);
    static void fillToolBar(QToolBar* toolBar, const QHash<int, QAction*>& actions);
};

} // namespace qalor
