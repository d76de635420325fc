#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A small FAT or exFAT image mounted for a test, as a USB stick would be: through the kernel's
// driver where it has one, else through FUSE (fusefat, exfat-fuse). Needs root; when it cannot
// be mounted, Reason() says why and the test skips.
class RemovableMedium {
public:
    enum class Kind { Fat, ExFat };

    explicit RemovableMedium(Kind kind);
    ~RemovableMedium();
    RemovableMedium(const RemovableMedium &) = delete;
    RemovableMedium &operator=(const RemovableMedium &) = delete;

    bool IsMounted() const { return !m_mountPoint.isEmpty(); }
    const QString &MountPoint() const { return m_mountPoint; }
    const QString &Reason() const { return m_reason; }

private:
    QTemporaryDir m_images;
    QString m_mountPoint;
    QString m_loopDevice;
    QString m_reason;
};
