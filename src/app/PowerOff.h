#pragma once

#include <QDBusConnection>

// Powers the computer off through systemd-logind on the system bus: CanPowerOff first, and only
// when it answers "yes" (or "challenge", where polkit decides) PowerOff without asking the user.
// Nothing here shows a message: an unattended end has nobody to read one.
class CPowerOff {
public:
    enum class Outcome {
        Requested,      // logind took the request; the system goes down
        NotPermitted,   // no bus, no logind, or this user may not power the computer off
        Failed,         // allowed, but PowerOff itself failed for another reason
    };

    static constexpr int CallTimeoutMs = 10000;

    virtual ~CPowerOff() = default;

    // On the system bus ($DBUS_SYSTEM_BUS_ADDRESS when set).
    static Outcome Request();
    static Outcome Request(const QDBusConnection &bus, int timeoutMs = CallTimeoutMs);
    // Whether an answer of CanPowerOff lets the program go on to PowerOff.
    static bool Permits(const QString &canPowerOff);
    // Whether an error of PowerOff says that the right is missing rather than that it failed.
    static bool IsRefusal(const QString &errorName);
};
