#include "model/ProjectList.h"

#include "model/MirroringDefine.h"

#include <algorithm>

CProjectList::~CProjectList() = default;

QString CProjectList::Name(int p) const
{
    return Has(p) ? m_names[p] : QString();
}

QString CProjectList::DisplayName(int p) const
{
    return Has(p) ? QStringLiteral("%1: %2").arg(p + 1).arg(m_names[p]) : QString();
}

bool CProjectList::AddProject(const QString &name)
{
    if (Count() >= MaxProjects)
        return false;
    m_names.append(name);
    m_tables.emplace_back();
    return true;
}

void CProjectList::SetProject(int p, const CMirroringDefine &table, int count)
{
    count = std::clamp(count, 0, MaxFolderSettings);
    SetProject(p, std::vector<CFolderSetting>(table.Records(), table.Records() + count));
}

void CProjectList::SetProject(int p, std::vector<CFolderSetting> records)
{
    if (!Has(p))
        return;
    if (records.size() > size_t(MaxFolderSettings))
        records.resize(MaxFolderSettings);
    m_tables[p] = std::move(records);
}

std::span<const CFolderSetting> CProjectList::FolderSettings(int p) const
{
    return Has(p) ? std::span<const CFolderSetting>(m_tables[p]) : std::span<const CFolderSetting>();
}

int CProjectList::FolderSettingCount(int p) const
{
    return Has(p) ? int(m_tables[p].size()) : 0;
}

void CProjectList::RemoveProject(int p)
{
    if (!Has(p))
        return;
    m_names.removeAt(p);
    m_tables.erase(m_tables.begin() + p);
}

void CProjectList::CopyProject(int destination, int source, bool append)
{
    if (!Has(destination) || !Has(source) || destination == source)
        return;
    m_names[destination] = m_names[source];
    std::vector<CFolderSetting> &to = m_tables[destination];
    const std::vector<CFolderSetting> &from = m_tables[source];
    if (!append)
        to.clear();
    const size_t room = size_t(MaxFolderSettings) - std::min(to.size(), size_t(MaxFolderSettings));
    to.insert(to.end(), from.begin(), from.begin() + std::min(room, from.size()));
}

void CProjectList::SwapProjects(int p, int q)
{
    if (!Has(p) || !Has(q))
        return;
    m_names.swapItemsAt(p, q);
    std::swap(m_tables[p], m_tables[q]);
}

void CProjectList::RenameProject(int p, const QString &name)
{
    if (Has(p))
        m_names[p] = name;
}

void CProjectList::CopyNamesFrom(const CProjectList &other)
{
    m_names = other.m_names;
    m_tables.resize(m_names.size());
}

void CProjectList::Clear()
{
    m_names.clear();
    m_tables.clear();
}
