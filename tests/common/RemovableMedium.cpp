#include "RemovableMedium.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <optional>

#include <unistd.h>

namespace {

// Runs a program: its output, or nothing and the reason in *error.
std::optional<QString> Run(const QString &program, const QStringList &arguments, QString *error)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = program + QStringLiteral(": ")
            + (process.error() == QProcess::FailedToStart ? QStringLiteral("not installed")
                                                          : QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
        return std::nullopt;
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

struct MediumKind {
    const char *name;
    const char *mkfs;
    QStringList mounts;   // {image}, {device} (the image on a loop device) and {dir} filled in
};

MediumKind KindOf(RemovableMedium::Kind kind)
{
    if (kind == RemovableMedium::Kind::Fat)
        return {"FAT", "mkfs.vfat", {QStringLiteral("mount -t vfat {device} {dir}"), QStringLiteral("fusefat -o rw+ {image} {dir}")}};
    return {"exFAT", "mkfs.exfat",
            {QStringLiteral("mount -t exfat {device} {dir}"), QStringLiteral("mount.exfat-fuse {device} {dir}")}};
}

} // namespace

RemovableMedium::RemovableMedium(Kind kind)
{
    const MediumKind medium = KindOf(kind);
    if (::geteuid() != 0) {
        m_reason = QStringLiteral("mounting needs root");
        return;
    }
    const QString image = m_images.filePath(QStringLiteral("medium.img"));
    const QString dir = m_images.filePath(QStringLiteral("mounted"));
    QFile file(image);
    if (!m_images.isValid() || !file.open(QIODevice::WriteOnly) || !file.resize(64 << 20) || !QDir().mkpath(dir)) {
        m_reason = QStringLiteral("no room for an image");
        return;
    }
    file.close();
    QString error;
    if (!Run(QString::fromLatin1(medium.mkfs), {image}, &error)) {
        m_reason = error;
        return;
    }
    m_loopDevice = Run(QStringLiteral("losetup"), {QStringLiteral("-f"), QStringLiteral("--show"), image}, &error).value_or(QString());
    QStringList reasons;
    if (m_loopDevice.isEmpty())
        reasons << error;
    for (const QString &way : medium.mounts) {
        if (way.contains(QStringLiteral("{device}")) && m_loopDevice.isEmpty())
            continue;
        QStringList words = QString(way).replace(QStringLiteral("{image}"), image).replace(QStringLiteral("{device}"), m_loopDevice)
                                .replace(QStringLiteral("{dir}"), dir).split(u' ');
        const QString program = words.takeFirst();
        if (Run(program, words, &error)) {
            m_mountPoint = dir;
            return;
        }
        reasons << error;
    }
    m_reason = QString::fromLatin1(medium.name) + QStringLiteral(" cannot be mounted here: ") + reasons.join(QStringLiteral("; "));
}

RemovableMedium::~RemovableMedium()
{
    QString error;
    if (IsMounted())
        Run(QStringLiteral("umount"), {m_mountPoint}, &error);
    if (!m_loopDevice.isEmpty())
        Run(QStringLiteral("losetup"), {QStringLiteral("-d"), m_loopDevice}, &error);
}
