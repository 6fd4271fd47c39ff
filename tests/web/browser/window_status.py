"""Reads the window's status bar through the accessibility bus (AT-SPI), as
a screen reader does: each pane's accessible name is its text and its
description says which pane it is ("告警状态" for the count of
unacknowledged alerts)."""

import dbus

ACCESSIBLE = 'org.a11y.atspi.Accessible'
PROPERTIES = 'org.freedesktop.DBus.Properties'


class WindowStatus:
    def __init__(self):
        session = dbus.SessionBus()
        address = session.get_object('org.a11y.Bus', '/org/a11y/bus').GetAddress(dbus_interface='org.a11y.Bus')
        self.bus = dbus.bus.BusConnection(str(address))
        self.found = {}

    def _get(self, where, key):
        name, path = where
        return str(self.bus.get_object(name, path).Get(ACCESSIBLE, key, dbus_interface=PROPERTIES))

    def _children(self, where):
        name, path = where
        return [(str(n), str(p)) for n, p in self.bus.get_object(name, path).GetChildren(dbus_interface=ACCESSIBLE)]

    def _find(self, pid, description):
        """The accessible of the program with this process id whose
        description is the one given, or None while it is not there."""
        for application in self._children(('org.a11y.atspi.Registry', '/org/a11y/atspi/accessible/root')):
            try:
                owner = self.bus.get_object('org.freedesktop.DBus', '/org/freedesktop/DBus').GetConnectionUnixProcessID(
                    application[0], dbus_interface='org.freedesktop.DBus')
            except dbus.DBusException:
                continue
            if owner != pid:
                continue
            pending = [application]
            while pending:
                node = pending.pop()
                if self._get(node, 'Description') == description:
                    return node
                pending.extend(self._children(node))
        return None

    def pane(self, pid, description):
        """The text of the pane, or None while the program has not shown it."""
        try:
            key = (pid, description)
            if key not in self.found:
                node = self._find(pid, description)
                if node is None:
                    return None
                self.found[key] = node
            return self._get(self.found[key], 'Name')
        except dbus.DBusException:
            return None

