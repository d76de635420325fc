#pragma once

#include "platform/Paths.h"
#include "platform/RegistryDatabase.h"

#include <QString>
#include <QStringView>

#include <map>
#include <memory>
#include <optional>
#include <vector>

class CIniFile;
class MessageBoxPresenter;

// The back-end the user picked for the settings.
enum class StoreChoice { Registry, Ini };

// A save that did not reach the disk: where, and the system's (or the database's) reason.
struct StoreFailure {
    StoreChoice backEnd = StoreChoice::Ini;
    QString path;
    QString errorText;   // ends in CR LF, like the system's error texts
};

// Where everything the program remembers is kept: the user's registry database or the INI file
// beside the program. Values are addressed by section and key. In the registry each "\" of a
// section opens a nested key below the program's root key; in the INI file a section name is
// taken literally. Reads never fail: whatever is missing or unreadable gives the default.
//
// Writes do fail, and say so: each returns false when its value did not reach the disk (inside
// a batch, when something of the batch has failed so far; the batch's end tells the truth).
// A failure is shown once: at once for a write outside a batch, at the end for a batch, in a
// message box through the presenter. What could not be written stays in memory.
class CSettingsStore {
public:
    static constexpr int MaxIniPathLength = 260;    // from this length on there is no INI file
    static constexpr int MaxIniTextLength = 2047;   // what an INI text read gives at most

    explicit CSettingsStore(MessageBoxPresenter &boxes, QString registryPath = CRegistryDatabase::DefaultPath());
    CSettingsStore(const CSettingsStore &) = delete;
    CSettingsStore &operator=(const CSettingsStore &) = delete;
    virtual ~CSettingsStore();

    bool UseRegistry() const { return m_useRegistry; }
    void SetUseRegistry(bool useRegistry) { m_useRegistry = useRegistry; }

    const QString &IniPath() const { return m_iniPath; }
    // The file of the user database or of the INI file: what a lock beside the store guards.
    QString FilePath(bool useRegistry) const { return useRegistry ? m_registry.Path() : m_iniPath; }
    void SetIniPath(const QString &path);
    // <program folder>/<name, or the program's name>.ini
    static QString BuildIniPath(const std::optional<QString> &name);
    static QString BuildIniPath(const ModulePath &program, const std::optional<QString> &name);
    // Software\ZENTREL\<application title>, below the user's registry root.
    static QString RegistryRoot();

    qint32 ReadSettingInt(const QString &section, const QString &key, qint32 defaultValue, bool forceIni = false);
    QString ReadSettingString(const QString &section, const QString &key, const QString &defaultValue);
    bool WriteSettingInt(const QString &section, const QString &key, qint32 value, bool forceIni = false);
    // No value deletes the key; no key deletes the whole section.
    bool WriteSettingString(const QString &section, const std::optional<QString> &key,
                            const std::optional<QString> &value);
    bool DeleteSettingKey(const QString &section, const QString &key) { return WriteSettingString(section, key, std::nullopt); }
    // A registry key that still holds nested keys stays as it is; that is no failure.
    bool DeleteSettingSection(const QString &section);
    // True when deleting the section would leave it in place: a registry key with nested keys.
    bool SectionHoldsNestedSections(const QString &section);

    // Makes sure the INI file exists (recreate: holds nothing but the byte-order mark); says
    // so with a message box when it cannot be made.
    bool PrepareIniFile(bool recreate);
    bool IniFileExists() const;
    // 0 when the INI file of the current path can be written: a new file can be made in its
    // folder (the file is replaced as a whole), or it exists and can be rewritten in place.
    // Else the errno that refused the folder. Nothing is created or changed.
    int IniWriteError() const;

    // The stored choice of the back-end, the registry's copy before the INI file's: true for
    // the registry. None before the user has chosen. Reading creates nothing.
    std::optional<bool> StoredChoice();
    // Uses the back-end the user chose from now on and records the choice (the registry copy
    // for the registry, the INI copy for the INI file); false when it could not be recorded.
    bool AdoptChoice(StoreChoice choice);
    // Brings every stored copy of the choice up to date.
    bool WriteStoreChoice();

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

    // The last failure shown, if any.
    const std::optional<StoreFailure> &LastFailure() const { return m_lastFailure; }

    // An INI integer: optional blanks, an optional "-", digits, taken modulo 2^32 like the
    // "%d" form they were written in; 0 when no digit comes first.
    static qint32 ParseIniInt(QStringView text);

private:
    bool UsesIni(bool forceIni) const { return forceIni || !m_useRegistry; }
    bool IniPathUsable() const { return m_iniPath.size() < MaxIniPathLength; }
    std::optional<QString> ReadIni(const QString &section, const QString &key);
    bool IniKnownToExist();
    // A change of the INI file of the current path, whose result is an errno value.
    template <class Change>
    void WriteIni(Change change);
    void CheckRegistryWrite(bool ok);
    void NoteFailure(StoreFailure failure);
    void ShowFailure(const StoreFailure &failure);
    const QString &RegistryKeyOf(const QString &section);

    MessageBoxPresenter &m_boxes;
    CRegistryDatabase m_registry;
    bool m_useRegistry = false;
    QString m_iniPath;
    std::map<QString, std::unique_ptr<CIniFile>> m_iniFiles;   // the INI path, and a backup read at times
    int m_batchDepth = 0;
    bool m_iniReadyInBatch = false;    // known to exist until the batch ends
    bool m_iniFailedInBatch = false;   // the file could not be made in this batch
    std::vector<StoreFailure> m_batchFailures;   // at most one per back-end, shown at the end
    std::optional<StoreFailure> m_lastFailure;
    QString m_lastSection;             // a setting is read key by key from one section
    QString m_lastRegistryKey;
};
