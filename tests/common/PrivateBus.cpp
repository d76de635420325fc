#include "PrivateBus.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace {

// Anyone may own any name and talk to anyone: the bus holds only the test's own programs.
const char *const Configuration = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

} // namespace

PrivateBus::PrivateBus(const QString &folder)
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) {
        m_error = QStringLiteral("dbus-daemon is not installed (scripts/install-deps.sh installs it)");
        return;
    }
    const QString config = QDir(folder).filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(QString::fromLatin1(Configuration).arg(QDir(folder).filePath(QStringLiteral("bus"))).toUtf8()) < 0) {
        m_error = QStringLiteral("cannot write %1").arg(config);
        return;
    }
    file.close();
    m_daemon = std::make_unique<QProcess>();
    m_daemon->setProcessChannelMode(QProcess::SeparateChannels);
    m_daemon->start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!m_daemon->waitForStarted(5000)) {
        m_error = QStringLiteral("dbus-daemon did not start: ") + m_daemon->errorString();
        return;
    }
    while (!m_daemon->canReadLine()) {
        if (!m_daemon->waitForReadyRead(5000)) {
            m_error = QStringLiteral("dbus-daemon gave no address: ") + QString::fromLocal8Bit(m_daemon->readAllStandardError());
            return;
        }
    }
    m_address = QString::fromUtf8(m_daemon->readLine()).trimmed();
}

PrivateBus::~PrivateBus()
{
    if (m_daemon && m_daemon->state() != QProcess::NotRunning) {
        m_daemon->terminate();
        if (!m_daemon->waitForFinished(5000)) {
            m_daemon->kill();
            m_daemon->waitForFinished(5000);
        }
    }
}
