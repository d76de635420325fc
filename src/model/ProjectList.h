#pragma once

#include "model/FolderSetting.h"

#include <QString>
#include <QStringList>

#include <span>
#include <vector>

class CMirroringDefine;

// The projects in order: a name and the folder settings of each. A project holds only the
// records in use, so a list of 1000 mostly small projects stays small. Operations given a
// number outside the list do nothing.
class CProjectList {
public:
    static constexpr int MaxProjects = 1000;
    static constexpr int MaxFolderSettings = 1000;

    virtual ~CProjectList();

    int Count() const { return int(m_names.size()); }
    QString Name(int p) const;
    // "1: デフォルト" for project 0.
    QString DisplayName(int p) const;

    // False when the list is full.
    bool AddProject(const QString &name);
    void SetProject(int p, const CMirroringDefine &table, int count);
    void SetProject(int p, std::vector<CFolderSetting> records);
    std::span<const CFolderSetting> FolderSettings(int p) const;
    int FolderSettingCount(int p) const;

    void RemoveProject(int p);
    // The destination takes the source's name and a copy of its folder settings, or with
    // append the source's settings after its own, as many as fit.
    void CopyProject(int destination, int source, bool append);
    void SwapProjects(int p, int q);
    void RenameProject(int p, const QString &name);
    // Takes the other list's names; a project that comes or goes brings or takes an empty table.
    void CopyNamesFrom(const CProjectList &other);
    void Clear();

private:
    bool Has(int p) const { return p >= 0 && p < Count(); }

    QStringList m_names;
    std::vector<std::vector<CFolderSetting>> m_tables;
};
