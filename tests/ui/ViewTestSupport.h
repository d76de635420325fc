#pragma once

#include "ConfigTestSupport.h"
#include "TestSupport.h"

#include "config/Configuration.h"
#include "model/AppFlags.h"
#include "model/FolderSetting.h"
#include "model/MirroringDefine.h"
#include "platform/PosixFileSystem.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>
#include <span>
#include <vector>

// A configuration in an INI file of a temporary folder, with the folder settings a test starts
// from stored as project 1, and a way to read back what the store holds as a later start would.
struct ViewEnv {
    QTemporaryDir dir;
    AppFlags flags;
    ScriptedPresenter storeBoxes;
    PosixFileSystem disk;
    std::unique_ptr<CConfiguration> config;

    explicit ViewEnv(const std::vector<CFolderSetting> &settings = {})
    {
        config = Open();
        config->SaveProjectSettings(std::span(settings), 0);
    }

    std::unique_ptr<CConfiguration> Open()
    {
        auto opened = std::make_unique<CConfiguration>(flags, storeBoxes, dir.filePath(QStringLiteral("registry.sqlite3")));
        opened->Store().SetIniPath(IniPath());
        opened->Store().SetUseRegistry(false);
        opened->LoadGlobalSettings();
        opened->BringActiveProjectIntoRange();
        return opened;
    }
    QString IniPath() const { return dir.filePath(QStringLiteral("orvane.ini")); }

    std::vector<CFolderSetting> Stored(int project = 0)
    {
        const std::unique_ptr<CConfiguration> later = Open();
        CMirroringDefine table;
        const int count = later->LoadProjectSettings(table, project);
        return {table.Records(), table.Records() + count};
    }
    QStringList StoredNames(int project = 0)
    {
        QStringList names;
        for (const CFolderSetting &setting : Stored(project))
            names << setting.Name;
        return names;
    }
};

inline CFolderSetting Named(const QString &name)
{
    CFolderSetting setting;
    setting.Name = name;
    setting.Master = QStringLiteral("/master/") + name;
    setting.Backup = QStringLiteral("/backup/") + name;
    return setting;
}

inline std::vector<CFolderSetting> NamedSettings(int count)
{
    std::vector<CFolderSetting> settings;
    for (int i = 0; i < count; ++i)
        settings.push_back(Named(QStringLiteral("s%1").arg(i)));
    return settings;
}

// The visible top-level window of a kind, as a window a run opened for the user.
template <class Window>
Window *FindTopLevel()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<Window *>(widget); window && window->isVisible())
            return window;
    }
    return nullptr;
}
