#pragma once

#include "config/SettingsStore.h"
#include "model/GlobalOptions.h"
#include "model/ProjectList.h"
#include "model/WindowLayout.h"

#include <QString>
#include <QStringView>

#include <array>
#include <span>

struct AppFlags;
struct CFolderSetting;
class CMirroringDefine;
class MessageBoxPresenter;
class QDateTime;

// Everything the program remembers, in memory, and how it moves to and from the store: the
// global options, the project names with the active project, the window layout, and each
// project's folder settings.
class CConfiguration {
public:
    static constexpr int DefaultProjectCount = 32;

    CConfiguration(AppFlags &flags, MessageBoxPresenter &boxes,
                   QString registryPath = CRegistryDatabase::DefaultPath());
    virtual ~CConfiguration();

    CSettingsStore &Store() { return m_store; }
    GlobalOptions &Options() { return m_options; }
    WindowLayout &Layout() { return m_layout; }
    CProjectList &Projects() { return m_projects; }
    const CProjectList &Projects() const { return m_projects; }

    // -1 until it is known.
    int ActiveProject() const { return m_activeProject; }
    void SetActiveProject(int project) { m_activeProject = project; }
    // An index outside the project list becomes 0.
    void BringActiveProjectIntoRange();

    // After the first-start question was cancelled or another instance took over, the end of
    // the program must not write the global state.
    void SetGlobalSaveSuppressed(bool suppressed) { m_globalSaveSuppressed = suppressed; }

    // Every save answers false when something of it did not reach the store; the store has
    // then shown why, and memory keeps what could not be written.
    void LoadGlobalSettings();
    bool SaveGlobalSettings();
    // Loads project p into table and returns the number of its folder settings (0 to 1000);
    // also reloads the options that every project save writes.
    int LoadProjectSettings(CMirroringDefine &table, int p);
    int LoadProjectSettings(std::span<CFolderSetting> records, int p);
    bool SaveProjectSettings(const CMirroringDefine &table, int count, int p);
    bool SaveProjectSettings(std::span<const CFolderSetting> records, int p);
    bool DeleteProjectSettings(int count, int p);
    bool SaveProjectCount(int count);
    // Fills a working list (of the project list dialog) from the store: the configuration's
    // names and every project's folder settings.
    void LoadAllProjects(CProjectList &working);
    // Writes an edited working list to the store and gives its names to the configuration.
    bool ApplyToStore(CProjectList &working);
    // The stored number of folder settings of project p, brought into 0..1000.
    int StoredFolderSettingCount(int p);

    // Rewrites an INI file that is not UTF-16 yet, keeping a dated copy of the old one.
    void ConvertIniToUnicode();

    static QString ListCountKey(int p);
    static QString DefineSection(int p, int i);
    static QString ProjectSection(int p);
    // The INI backup name of ConvertIniToUnicode for a moment of local time.
    static QString BackupNameFor(const QString &iniPath, const QDateTime &localTime);

    // Reads up to out.size() integers separated as in "%d,%d" (separator ',') or "%d %d"
    // (separator ' ', any run of blanks); values the text does not supply stay as they are.
    static void ScanIntegers(QStringView text, QChar separator, std::span<qint32> out);

private:
    void LoadSavedOptions();
    void SaveSavedOptions();
    void LoadWindowLayout();
    void LoadSetting(CFolderSetting &record, const QString &section);
    void SaveSetting(const CFolderSetting &record, const QString &section);
    QString ProjectDefaultName(int p) const;

    AppFlags &m_flags;
    MessageBoxPresenter &m_boxes;
    CSettingsStore m_store;
    GlobalOptions m_options;
    WindowLayout m_layout;
    CProjectList m_projects;
    int m_activeProject = -1;
    bool m_globalSaveSuppressed = false;
};
