#pragma once

#include <QProcess>
#include <QString>

#include <memory>

// A D-Bus bus of a test's own, served by a dbus-daemon that lives as long as this object: the
// programs under test reach it through $DBUS_SYSTEM_BUS_ADDRESS and never the machine's bus.
class PrivateBus {
public:
    // The socket and the daemon's configuration go into folder.
    explicit PrivateBus(const QString &folder);
    ~PrivateBus();

    bool IsRunning() const { return !m_address.isEmpty(); }
    // "unix:path=...", for DBUS_SYSTEM_BUS_ADDRESS.
    const QString &Address() const { return m_address; }
    // Why it is not running.
    const QString &Error() const { return m_error; }

private:
    std::unique_ptr<QProcess> m_daemon;
    QString m_address;
    QString m_error;
};
