#include "engine/WalkExclusions.h"

#include "platform/Paths.h"

#include <QStandardPaths>

#include <algorithm>

namespace {

QString WithSeparator(const QString &path)
{
    return path.isEmpty() || EndsWithSeparator(path) ? path : path + PathSeparator;
}

} // namespace

CWalkExclusions::CWalkExclusions(FileSystem &disk)
    : m_disk(disk)
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!data.isEmpty())
        m_homeTrash = WithSeparator(data) + QStringLiteral("Trash/");
}

CWalkExclusions::~CWalkExclusions() = default;

void CWalkExclusions::StartTree(const QString &root)
{
    m_volumeRoot = WithSeparator(m_disk.VolumeRoot(root));
}

bool CWalkExclusions::IsTrashName(QStringView name)
{
    static constexpr QStringView Trash = u".Trash";
    if (name == Trash)
        return true;
    if (!name.startsWith(Trash) || name.size() < Trash.size() + 2 || name[Trash.size()] != u'-')
        return false;
    const QStringView digits = name.sliced(Trash.size() + 1);
    return std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool CWalkExclusions::Excludes(const QString &folder, const FolderEntry &entry) const
{
    if (entry.kind != ItemKind::Folder)
        return FileSystem::IsCopyTemporaryName(entry.name);
    if (IsTrashName(entry.name) && folder == m_volumeRoot)
        return true;
    return !m_homeTrash.isEmpty() && folder.size() + entry.name.size() + 1 == m_homeTrash.size()
        && m_homeTrash.startsWith(folder) && QStringView(m_homeTrash).sliced(folder.size()).startsWith(entry.name);
}
