#pragma once

#include "platform/Paths.h"
#include "platform/RegistryDatabase.h"

#include <QString>
#include <QStringView>

#include <map>
#include <memory>
#include <optional>

struct AppFlags;
class CIniFile;
class MessageBoxPresenter;

// Where everything the program remembers is kept: the user's registry database or the INI file
// beside the program. Values are addressed by section and key. In the registry each "\" of a
// section opens a nested key below the program's root key; in the INI file a section name is
// taken literally. Reads never fail: whatever is missing or unreadable gives the default.
class CSettingsStore {
public:
    static constexpr int MaxIniPathLength = 260;    // from this length on there is no INI file
    static constexpr int MaxIniTextLength = 2047;   // what an INI text read gives at most

    CSettingsStore(AppFlags &flags, MessageBoxPresenter &boxes,
                   QString registryPath = CRegistryDatabase::DefaultPath());
    CSettingsStore(const CSettingsStore &) = delete;
    CSettingsStore &operator=(const CSettingsStore &) = delete;
    virtual ~CSettingsStore();

    bool UseRegistry() const { return m_useRegistry; }
    void SetUseRegistry(bool useRegistry) { m_useRegistry = useRegistry; }

    const QString &IniPath() const { return m_iniPath; }
    void SetIniPath(const QString &path);
    // <program folder>/<name, or the program's name>.ini
    static QString BuildIniPath(const std::optional<QString> &name);
    static QString BuildIniPath(const ModulePath &program, const std::optional<QString> &name);
    // Software\ZENTREL\<application title>, below the user's registry root.
    static QString RegistryRoot();

    qint32 ReadSettingInt(const QString &section, const QString &key, qint32 defaultValue, bool forceIni = false);
    QString ReadSettingString(const QString &section, const QString &key, const QString &defaultValue);
    void WriteSettingInt(const QString &section, const QString &key, qint32 value, bool forceIni = false);
    // No value deletes the key; no key deletes the whole section.
    void WriteSettingString(const QString &section, const std::optional<QString> &key,
                            const std::optional<QString> &value);
    void DeleteSettingKey(const QString &section, const QString &key) { WriteSettingString(section, key, std::nullopt); }
    // False when the section is still there: a registry key that holds nested keys stays.
    bool DeleteSettingSection(const QString &section);

    // Makes sure the INI file exists (recreate: holds nothing but the byte-order mark); says
    // so with a message box when it cannot be made.
    bool PrepareIniFile(bool recreate);
    bool IniFileExists() const;

    // The first-start choice of the back-end; false when the user cancels the question.
    bool ChooseSettingsStore();
    // Brings every stored copy of the choice up to date.
    void WriteStoreChoice();

    // Writes between the outermost Begin and End reach each back-end at once at the end: one
    // transaction, one file write. End answers false when some of them were lost.
    void BeginBatch();
    bool EndBatch();
    bool InBatch() const { return m_batchDepth > 0; }

    class Batch {
    public:
        explicit Batch(CSettingsStore &store) : m_store(store) { m_store.BeginBatch(); }
        ~Batch() { if (!m_done) m_store.EndBatch(); }
        bool Commit() { m_done = true; return m_store.EndBatch(); }
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;
    private:
        CSettingsStore &m_store;
        bool m_done = false;
    };

    CRegistryDatabase &Registry() { return m_registry; }
    // The INI file of the current path.
    CIniFile &Ini();

    // An INI integer: optional blanks, an optional "-", digits, taken modulo 2^32 like the
    // "%d" form they were written in; 0 when no digit comes first.
    static qint32 ParseIniInt(QStringView text);

private:
    bool UsesIni(bool forceIni) const { return forceIni || !m_useRegistry; }
    bool IniPathUsable() const { return m_iniPath.size() < MaxIniPathLength; }
    std::optional<QString> ReadIni(const QString &section, const QString &key);
    bool IniKnownToExist();
    void ReportIniError(int error);
    const QString &RegistryKeyOf(const QString &section);

    AppFlags &m_flags;
    MessageBoxPresenter &m_boxes;
    CRegistryDatabase m_registry;
    bool m_useRegistry = false;
    QString m_iniPath;
    std::map<QString, std::unique_ptr<CIniFile>> m_iniFiles;   // the INI path, and a backup read at times
    int m_batchDepth = 0;
    bool m_iniReadyInBatch = false;    // known to exist until the batch ends
    bool m_iniFailedInBatch = false;   // already reported once in this batch
    QString m_lastSection;             // a setting is read key by key from one section
    QString m_lastRegistryKey;
};
