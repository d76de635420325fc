// A stand-in for systemd-logind on a private bus, for the tests of the power-off: it answers
// CanPowerOff as it is told and writes every call it receives to a file, one line each
// ("CanPowerOff", "PowerOff false"). It takes the bus of $DBUS_SYSTEM_BUS_ADDRESS.
//
//   fake_logind CAN_POWER_OFF POWER_OFF RECORD_FILE
//     CAN_POWER_OFF  the answer: yes, no, challenge, na; or "error" to fail the call
//     POWER_OFF      ok; "denied" to refuse the call as polkit does; "error" to fail it otherwise
//
// It prints "ready" once it owns the name and ends when its input closes.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

class FakeManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    FakeManager(QString can, QString off, QString record) : m_can(std::move(can)), m_off(std::move(off)), m_record(std::move(record)) {}

public Q_SLOTS:
    QString CanPowerOff()
    {
        Record(QStringLiteral("CanPowerOff"));
        if (m_can == u"error")
            sendErrorReply(QDBusError::AccessDenied, QStringLiteral("refused by the test"));
        return m_can;
    }

    void PowerOff(bool interactive)
    {
        Record(interactive ? QStringLiteral("PowerOff true") : QStringLiteral("PowerOff false"));
        if (m_off == u"denied")
            sendErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"),
                           QStringLiteral("refused by the test"));
        else if (m_off == u"error")
            sendErrorReply(QDBusError::Failed, QStringLiteral("failed by the test"));
    }

private:
    void Record(const QString &call)
    {
        QFile file(m_record);
        if (!file.open(QIODevice::Append) || file.write(call.toUtf8() + '\n') < 0)
            std::fprintf(stderr, "fake_logind: cannot record %s\n", qPrintable(call));
    }

    QString m_can;
    QString m_off;
    QString m_record;
};

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 4) {
        std::fprintf(stderr, "usage: fake_logind CAN_POWER_OFF POWER_OFF RECORD_FILE\n");
        return 64;
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    FakeManager manager(arguments[1], arguments[2], arguments[3]);
    if (!bus.isConnected() || !bus.registerObject(QStringLiteral("/org/freedesktop/login1"), &manager, QDBusConnection::ExportAllSlots)
        || !bus.registerService(QStringLiteral("org.freedesktop.login1"))) {
        std::fprintf(stderr, "fake_logind: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    // The test closes the input when it is done; a test that dies takes this with it.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &application, [] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            QCoreApplication::quit();
    });
    return QCoreApplication::exec();
}

#include "fake_logind.moc"
