#include "app/PowerOff.h"

#include <QDBusMessage>
#include <QVariant>

namespace {

const QString Service = QStringLiteral("org.freedesktop.login1");
const QString ObjectPath = QStringLiteral("/org/freedesktop/login1");
const QString Manager = QStringLiteral("org.freedesktop.login1.Manager");

QDBusMessage Call(const QDBusConnection &bus, const QString &method, const QVariantList &arguments, int timeoutMs)
{
    QDBusMessage call = QDBusMessage::createMethodCall(Service, ObjectPath, Manager, method);
    call.setArguments(arguments);
    return bus.call(call, QDBus::Block, timeoutMs);
}

} // namespace

bool CPowerOff::Permits(const QString &canPowerOff)
{
    return canPowerOff == u"yes" || canPowerOff == u"challenge";
}

bool CPowerOff::IsRefusal(const QString &errorName)
{
    // After "challenge" polkit decides, and without anybody to ask it refuses: the right was
    // not held, as when CanPowerOff says so at once.
    return errorName == u"org.freedesktop.DBus.Error.AccessDenied"
        || errorName == u"org.freedesktop.DBus.Error.InteractiveAuthorizationRequired";
}

CPowerOff::Outcome CPowerOff::Request()
{
    return Request(QDBusConnection::systemBus());
}

CPowerOff::Outcome CPowerOff::Request(const QDBusConnection &bus, int timeoutMs)
{
    if (!bus.isConnected())
        return Outcome::NotPermitted;
    const QDBusMessage can = Call(bus, QStringLiteral("CanPowerOff"), {}, timeoutMs);
    const QVariantList answer = can.arguments();
    const bool text = answer.size() == 1 && answer.front().metaType() == QMetaType::fromType<QString>();
    if (can.type() != QDBusMessage::ReplyMessage || !text || !Permits(answer.front().toString()))
        return Outcome::NotPermitted;
    // Not interactive: at the end of an unattended run nobody is there to type a password.
    const QDBusMessage off = Call(bus, QStringLiteral("PowerOff"), {QVariant(false)}, timeoutMs);
    if (off.type() == QDBusMessage::ReplyMessage)
        return Outcome::Requested;
    return IsRefusal(off.errorName()) ? Outcome::NotPermitted : Outcome::Failed;
}
