#include "config/SettingsStore.h"

#include "config/IniFile.h"
#include "model/AppFlags.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "platform/Text.h"
#include "res/StringIds.h"

#include <QFileInfo>

#include <cerrno>

namespace {

const QString SaveSection = QStringLiteral("Save");
const QString SaveKey = QStringLiteral("SaveRegistory");

} // namespace

CSettingsStore::CSettingsStore(AppFlags &flags, MessageBoxPresenter &boxes, QString registryPath)
    : m_flags(flags), m_boxes(boxes), m_registry(std::move(registryPath))
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

void CSettingsStore::WriteSettingInt(const QString &section, const QString &key, qint32 value, bool forceIni)
{
    if (UsesIni(forceIni)) {
        PrepareIniFile(false);
        if (IniPathUsable())
            Ini().SetValue(section, key, QString::number(value));
        return;
    }
    m_registry.WriteDword(RegistryKeyOf(section), key, value);
}

void CSettingsStore::WriteSettingString(const QString &section, const std::optional<QString> &key,
                                        const std::optional<QString> &value)
{
    if (!key) {
        DeleteSettingSection(section);
        return;
    }
    if (UsesIni(false)) {
        PrepareIniFile(false);
        if (!IniPathUsable())
            return;
        if (value)
            Ini().SetValue(section, *key, *value);
        else
            Ini().RemoveKey(section, *key);
        return;
    }
    if (value)
        m_registry.WriteString(RegistryKeyOf(section), *key, *value);
    else
        m_registry.DeleteValue(RegistryKeyOf(section), *key);
}

bool CSettingsStore::DeleteSettingSection(const QString &section)
{
    if (UsesIni(false)) {
        PrepareIniFile(false);
        return IniPathUsable() && Ini().RemoveSection(section) == 0;
    }
    return m_registry.DeleteKey(RegistryKeyOf(section));
}

bool CSettingsStore::IniFileExists() const
{
    return IniPathUsable() && QFileInfo::exists(m_iniPath);
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
    // One failing batch of many writes reports once, not once for every value.
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
        ReportIniError(error);
        return false;
    }
    m_iniReadyInBatch = m_batchDepth > 0;
    return true;
}

void CSettingsStore::ReportIniError(int error)
{
    MessageBoxFormatted(m_boxes, IDS_MSG_INI_OPEN_FAILED, IDS_CAPTION_OPEN_INI, {.icon = MessageIcon::Error},
                        m_iniPath, SystemErrorText(error));
}

bool CSettingsStore::ChooseSettingsStore()
{
    if (m_flags.ForceIni)
        return true;
    m_useRegistry = false;
    const QString saveKey = RegistryKeyOf(SaveSection);
    for (const qint32 stored : {ReadRegistryDword(m_registry, saveKey, SaveKey, -1),
                                ReadSettingInt(SaveSection, SaveKey, -1, true)}) {
        if (stored != -1) {
            m_useRegistry = stored != 0;
            return true;
        }
    }
    const MessageAnswer answer = MessageBoxById(m_boxes, IDS_ASK_FIRST_START_STORE, IDS_APP_TITLE,
                                                {.buttons = MessageButtons::YesNoCancel, .icon = MessageIcon::Question,
                                                 .defaultButton = 2, .unattended = MessageAnswer::Cancel});
    switch (answer) {
    case MessageAnswer::Yes:
        m_useRegistry = true;
        m_registry.WriteDword(saveKey, SaveKey, 1);
        return true;
    case MessageAnswer::No:
        WriteSettingInt(SaveSection, SaveKey, 0, true);
        return true;
    default:   // Cancel, the box closed, or no box at all
        return false;
    }
}

void CSettingsStore::WriteStoreChoice()
{
    const QString saveKey = RegistryKeyOf(SaveSection);
    const qint32 inRegistry = ReadRegistryDword(m_registry, saveKey, SaveKey, -1);
    const qint32 inIni = ReadSettingInt(SaveSection, SaveKey, -1, true);
    if (inRegistry != -1 || m_useRegistry)
        m_registry.WriteDword(saveKey, SaveKey, m_useRegistry ? 1 : 0);
    if (inIni != -1 || !m_useRegistry)
        WriteSettingInt(SaveSection, SaveKey, m_useRegistry ? 1 : 0, true);
}

void CSettingsStore::BeginBatch()
{
    if (m_batchDepth++ > 0)
        return;
    m_iniReadyInBatch = false;
    m_iniFailedInBatch = false;
    m_registry.BeginBatch();
    for (auto &[path, file] : m_iniFiles)
        file->BeginBatch();
}

bool CSettingsStore::EndBatch()
{
    if (m_batchDepth == 0 || --m_batchDepth > 0)
        return true;
    bool ok = m_registry.EndBatch();
    for (auto &[path, file] : m_iniFiles)
        ok = file->EndBatch() == 0 && ok;
    // A file read for a moment (the old file during a conversion) is not kept in memory.
    std::erase_if(m_iniFiles, [this](const auto &entry) { return entry.first != m_iniPath; });
    m_iniReadyInBatch = false;
    m_iniFailedInBatch = false;
    return ok;
}
