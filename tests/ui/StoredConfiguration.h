#pragma once

#include "config/Configuration.h"
#include "config/IniFile.h"
#include "model/AppFlags.h"
#include "model/ProjectList.h"

#include "ConfigTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// A configuration of the program on the files of a temporary folder: the INI file in
// program/orvane.ini, the user database in config/registry.sqlite3. Message boxes are answered
// from a script.
struct StoredConfiguration {
    QTemporaryDir dir;
    AppFlags flags;
    ScriptedPresenter boxes;
    bool registry = false;
    std::unique_ptr<CConfiguration> config;

    // Projects named P0, P1, ... with the given numbers of folder settings "P<p>/<i>".
    StoredConfiguration(bool useRegistry, const std::vector<int> &settingCounts) : registry(useRegistry)
    {
        QDir().mkpath(dir.filePath("program"));
        config = Start();
        CProjectList &names = config->Projects();
        names.Clear();
        for (int p = 0; p < int(settingCounts.size()); ++p) {
            names.AddProject(QStringLiteral("P%1").arg(p));
            config->SaveProjectSettings(Settings(names.Name(p), settingCounts[size_t(p)]), p);
        }
        config->SaveGlobalSettings();
        config = Start();
    }

    static std::vector<CFolderSetting> Settings(const QString &tag, int count)
    {
        std::vector<CFolderSetting> records(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            records[size_t(i)].Name = QStringLiteral("%1/%2").arg(tag).arg(i);
            records[size_t(i)].Master = QStringLiteral("/master/%1/%2").arg(tag).arg(i);
        }
        return records;
    }

    std::unique_ptr<CConfiguration> Start()
    {
        auto started = std::make_unique<CConfiguration>(flags, boxes, RegistryPath());
        started->Store().SetIniPath(IniPath());
        started->Store().SetUseRegistry(registry);
        started->LoadGlobalSettings();
        return started;
    }

    QString IniPath() const { return dir.filePath("program/orvane.ini"); }
    QString RegistryPath() const { return dir.filePath("config/registry.sqlite3"); }

    // Both back-ends' files as bytes: equal bytes mean nothing was written.
    QByteArray StoredBytes() const
    {
        return testsupport::ReadFile(IniPath()) + "|" + testsupport::ReadFile(RegistryPath());
    }

    // "name:count:first setting" of every project, as a list of projects shows them.
    static QStringList Shape(const CProjectList &list)
    {
        QStringList shape;
        for (int p = 0; p < list.Count(); ++p) {
            const auto settings = list.FolderSettings(p);
            shape << QStringLiteral("%1:%2:%3").arg(list.Name(p)).arg(settings.size())
                         .arg(settings.empty() ? QString() : settings.front().Name);
        }
        return shape;
    }

    // What the configuration finds in the store now, every project read again.
    QStringList StoredShape(CConfiguration &from)
    {
        CProjectList list;
        from.LoadAllProjects(list);
        return Shape(list);
    }
};
