#include "config/SettingsStore.h"

#include "config/IniFile.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFiles.h"
#include "platform/Shell.h"
#include "platform/Text.h"
#include "res/StringIds.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <utility>

#include <unistd.h>

namespace {

const QString SaveSection = QStringLiteral("Save");
const QString SaveKey = QStringLiteral("SaveRegistory");

} // namespace

CSettingsStore::CSettingsStore(MessageBoxPresenter &boxes, QString registryPath)
    : m_boxes(boxes), m_registry(std::move(registryPath))
{
}

CSettingsStore::~CSettingsStore() = default;

void CSettingsStore::SetIniPath(const QString &path)
{
    if (path == m_iniPath)
        return;
    m_iniPath = path;
    m_iniReadyInBatch = false;
    m_iniFailedInBatch = false;
}

QString CSettingsStore::BuildIniPath(const ModulePath &program, const std::optional<QString> &name)
{
    return program.folder + name.value_or(program.name) + QStringLiteral(".ini");
}

QString CSettingsStore::BuildIniPath(const std::optional<QString> &name)
{
    return BuildIniPath(ModulePathParts(), name);
}

QString CSettingsStore::RegistryRoot()
{
    return QStringLiteral("Software\\ZENTREL\\") + LoadResString(IDS_APP_TITLE);
}

const QString &CSettingsStore::RegistryKeyOf(const QString &section)
{
    if (section != m_lastSection || m_lastRegistryKey.isEmpty()) {
        m_lastSection = section;
        m_lastRegistryKey = RegistryRoot() + u'\\' + section;
    }
    return m_lastRegistryKey;
}

CIniFile &CSettingsStore::Ini()
{
    std::unique_ptr<CIniFile> &file = m_iniFiles[m_iniPath];
    if (!file) {
        file = std::make_unique<CIniFile>(m_iniPath);
        if (m_batchDepth > 0)
            file->BeginBatch();
    }
    return *file;
}

qint32 CSettingsStore::ParseIniInt(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const bool negative = i < text.size() && text[i] == u'-';
    if (negative)
        ++i;
    quint32 value = 0;   // wraps like the 32 bits it was written from
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = value * 10 + quint32(text[i].unicode() - u'0');
    return static_cast<qint32>(negative ? 0u - value : value);
}

std::optional<QString> CSettingsStore::ReadIni(const QString &section, const QString &key)
{
    if (!IniPathUsable())
        return std::nullopt;
    return Ini().Value(section, key);
}

qint32 CSettingsStore::ReadSettingInt(const QString &section, const QString &key, qint32 defaultValue, bool forceIni)
{
    if (UsesIni(forceIni)) {
        const std::optional<QString> text = ReadIni(section, key);
        return text ? ParseIniInt(*text) : defaultValue;
    }
    const auto value = m_registry.ReadValue(RegistryKeyOf(section), key);
    return value && value->type == CRegistryDatabase::ValueType::Dword ? value->dword : defaultValue;
}

QString CSettingsStore::ReadSettingString(const QString &section, const QString &key, const QString &defaultValue)
{
    if (UsesIni(false)) {
        const std::optional<QString> text = ReadIni(section, key);
        if (!text)
            return defaultValue;
        // Keep a character that needs two code units whole.
        qsizetype length = std::min<qsizetype>(text->size(), MaxIniTextLength);
        if (length < text->size() && text->at(length - 1).isHighSurrogate())
            --length;
        return text->left(length);
    }
    const auto value = m_registry.ReadValue(RegistryKeyOf(section), key);
    return value && value->type == CRegistryDatabase::ValueType::String ? value->text : defaultValue;
}

template <class Change>
void CSettingsStore::WriteIni(Change change)
{
    // The file is made first, as the profile functions do; the entry is written whatever that
    // gave, so it stays in memory for a later write that succeeds.
    PrepareIniFile(false);
    if (!IniPathUsable())
        return;   // noted by PrepareIniFile
    if (const int error = change(Ini()))
        NoteFailure({StoreChoice::Ini, m_iniPath, SystemErrorText(error)});
}

void CSettingsStore::CheckRegistryWrite(bool ok)
{
    if (!ok)
        NoteFailure({StoreChoice::Registry, m_registry.Path(), m_registry.LastErrorText()});
}

bool CSettingsStore::WriteSettingInt(const QString &section, const QString &key, qint32 value, bool forceIni)
{
    // A single write is a batch of one: the file is written once and a failure shown once.
    Batch batch(*this);
    if (UsesIni(forceIni))
        WriteIni([&](CIniFile &ini) { return ini.SetValue(section, key, QString::number(value)); });
    else
        CheckRegistryWrite(m_registry.WriteDword(RegistryKeyOf(section), key, value));
    return batch.Commit();
}

bool CSettingsStore::WriteSettingString(const QString &section, const std::optional<QString> &key,
                                        const std::optional<QString> &value)
{
    if (!key)
        return DeleteSettingSection(section);
    Batch batch(*this);
    if (UsesIni(false)) {
        WriteIni([&](CIniFile &ini) { return value ? ini.SetValue(section, *key, *value) : ini.RemoveKey(section, *key); });
    } else if (value) {
        CheckRegistryWrite(m_registry.WriteString(RegistryKeyOf(section), *key, *value));
    } else {
        CheckRegistryWrite(m_registry.DeleteValue(RegistryKeyOf(section), *key));
    }
    return batch.Commit();
}

bool CSettingsStore::DeleteSettingSection(const QString &section)
{
    Batch batch(*this);
    if (UsesIni(false))
        WriteIni([&](CIniFile &ini) { return ini.RemoveSection(section); });
    else
        CheckRegistryWrite(m_registry.DeleteKey(RegistryKeyOf(section)));
    return batch.Commit();
}

bool CSettingsStore::SectionHoldsNestedSections(const QString &section)
{
    return !UsesIni(false) && m_registry.HasSubKeys(RegistryKeyOf(section));
}

bool CSettingsStore::IniFileExists() const
{
    return IniPathUsable() && QFileInfo::exists(m_iniPath);
}

int CSettingsStore::IniWriteError() const
{
    const int error = FolderCreationError(QFileInfo(m_iniPath).absolutePath());
    if (error == 0)
        return 0;
    // A folder closed to new files still lets a writable file be rewritten where it is.
    const bool writableInPlace = QFileInfo(m_iniPath).isFile() && ::access(QFile::encodeName(m_iniPath).constData(), W_OK) == 0;
    return writableInPlace ? 0 : error;
}

bool CSettingsStore::IniKnownToExist()
{
    // A batch of many writes looks at the disk once.
    if (m_batchDepth > 0 && m_iniReadyInBatch)
        return true;
    const bool exists = IniFileExists();
    m_iniReadyInBatch = exists && m_batchDepth > 0;
    return exists;
}

bool CSettingsStore::PrepareIniFile(bool recreate)
{
    if (!recreate && IniKnownToExist())
        return true;
    // A batch whose file cannot be made does not try again for each of its values.
    if (m_batchDepth > 0 && m_iniFailedInBatch)
        return false;
    int error = ENAMETOOLONG;
    if (IniPathUsable()) {
        // Emptying an existing file inside a batch waits for the batch, so the old content is
        // replaced by the new in one step. A missing file is made at once, with what earlier
        // writes that could not reach the disk left in memory.
        const bool replaceAtEnd = recreate && m_batchDepth > 0 && IniFileExists();
        error = recreate ? Ini().Clear(!replaceAtEnd) : Ini().WriteNow();
    }
    if (error != 0) {
        m_iniFailedInBatch = m_batchDepth > 0;
        NoteFailure({StoreChoice::Ini, m_iniPath, SystemErrorText(error)});
        return false;
    }
    m_iniReadyInBatch = m_batchDepth > 0;
    return true;
}

void CSettingsStore::NoteFailure(StoreFailure failure)
{
    if (m_batchDepth == 0) {
        ShowFailure(failure);
        return;
    }
    // A batch of many values that fail shows one message for each back-end, not one per value.
    const bool known = std::any_of(m_batchFailures.begin(), m_batchFailures.end(),
                                   [&](const StoreFailure &noted) { return noted.backEnd == failure.backEnd; });
    if (!known)
        m_batchFailures.push_back(std::move(failure));
}

void CSettingsStore::ShowFailure(const StoreFailure &failure)
{
    const bool ini = failure.backEnd == StoreChoice::Ini;
    MessageBoxFormatted(m_boxes, ini ? IDS_MSG_INI_OPEN_FAILED : IDS_MSG_REGISTRY_SAVE_FAILED,
                        ini ? IDS_CAPTION_OPEN_INI : IDS_CAPTION_REGISTRY_SAVE, {.icon = MessageIcon::Error},
                        failure.path, failure.errorText);
    m_lastFailure = failure;
}

std::optional<bool> CSettingsStore::StoredChoice()
{
    const QString saveKey = RegistryKeyOf(SaveSection);
    for (const qint32 stored : {ReadRegistryDword(m_registry, saveKey, SaveKey, -1),
                                ReadSettingInt(SaveSection, SaveKey, -1, true)}) {
        if (stored != -1)
            return stored != 0;
    }
    return std::nullopt;
}

bool CSettingsStore::AdoptChoice(StoreChoice choice)
{
    m_useRegistry = choice == StoreChoice::Registry;
    if (!m_useRegistry)
        return WriteSettingInt(SaveSection, SaveKey, 0, true);   // makes the INI file
    Batch batch(*this);
    CheckRegistryWrite(m_registry.WriteDword(RegistryKeyOf(SaveSection), SaveKey, 1));
    return batch.Commit();
}

bool CSettingsStore::WriteStoreChoice()
{
    Batch batch(*this);
    const QString saveKey = RegistryKeyOf(SaveSection);
    const qint32 inRegistry = ReadRegistryDword(m_registry, saveKey, SaveKey, -1);
    const qint32 inIni = ReadSettingInt(SaveSection, SaveKey, -1, true);
    if (inRegistry != -1 || m_useRegistry)
        CheckRegistryWrite(m_registry.WriteDword(saveKey, SaveKey, m_useRegistry ? 1 : 0));
    if (inIni != -1 || !m_useRegistry)
        WriteSettingInt(SaveSection, SaveKey, m_useRegistry ? 1 : 0, true);
    return batch.Commit();
}

void CSettingsStore::BeginBatch()
{
    if (m_batchDepth++ > 0)
        return;
    m_iniReadyInBatch = false;
    m_iniFailedInBatch = false;
    m_batchFailures.clear();
    m_registry.BeginBatch();
    for (auto &[path, file] : m_iniFiles)
        file->BeginBatch();
}

bool CSettingsStore::EndBatch()
{
    if (m_batchDepth == 0)
        return true;
    if (m_batchDepth > 1) {
        --m_batchDepth;
        return m_batchFailures.empty();
    }
    // The batch's writes reach the disk while it is still open, so their failures join it.
    CheckRegistryWrite(m_registry.EndBatch());
    for (auto &[path, file] : m_iniFiles) {
        if (const int error = file->EndBatch())
            NoteFailure({StoreChoice::Ini, path, SystemErrorText(error)});
    }
    m_batchDepth = 0;
    // A file read for a moment (the old file during a conversion) is not kept in memory.
    std::erase_if(m_iniFiles, [this](const auto &entry) { return entry.first != m_iniPath; });
    m_iniReadyInBatch = false;
    m_iniFailedInBatch = false;
    const std::vector<StoreFailure> failures = std::exchange(m_batchFailures, {});
    for (const StoreFailure &failure : failures)
        ShowFailure(failure);
    return failures.empty();
}
