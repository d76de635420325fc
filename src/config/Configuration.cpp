#include "config/Configuration.h"

#include "config/IniFile.h"
#include "model/AppFlags.h"
#include "model/FolderSettingField.h"
#include "model/MirroringDefine.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "platform/Text.h"
#include "res/StringIds.h"

#include <QDateTime>

#include <algorithm>
#include <cerrno>
#include <variant>
#include <vector>

namespace {

const QString OptionsSection = QStringLiteral("Options");
const QString Window = QStringLiteral("Window");
const QString ProjectNameKey = QStringLiteral("ProjectName");
const QString DefaultSetupList = QStringLiteral("40,240,280,280,160");
const QString DefaultReportList = QStringLiteral("96,528,140,140,96");
const QString LogoffProjectName = QStringLiteral(u"ダミー設定");

constexpr int ConvertedProjects = 32;
constexpr int HighestProjectNumber = 999;

// The options every project save writes into "Options", in their order.
using OptionMember = std::variant<bool GlobalOptions::*, qint32 GlobalOptions::*, QString GlobalOptions::*>;
struct SavedOption {
    const char16_t *key;
    OptionMember member;
};
const SavedOption SavedOptions[] = {
    {u"OutputLog", &GlobalOptions::OutputLog},
    {u"LogFileName", &GlobalOptions::LogFileName},
    {u"OutputErrorOnly", &GlobalOptions::OutputErrorOnly},
    {u"OutputSkipLog", &GlobalOptions::OutputSkipLog},
    {u"ClearLog", &GlobalOptions::ClearLog},
    {u"WriteLogImmediately", &GlobalOptions::WriteLogImmediately},
    {u"CompareToolPath", &GlobalOptions::CompareToolPath},
    {u"CompareToolParam", &GlobalOptions::CompareToolParam},
    {u"DivideY", &GlobalOptions::DivideY},
};

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

// The per-setting keys as texts, made once: a project of 1000 settings reads 44 000 of them.
const std::vector<QString> &FieldKeys()
{
    static const std::vector<QString> keys = [] {
        std::vector<QString> result;
        for (const FolderSettingField &field : FolderSettingField::All())
            result.push_back(field.Key().toString());
        return result;
    }();
    return keys;
}

QString FormatIntegers(std::span<const qint32> values, QChar separator)
{
    QStringList parts;
    for (qint32 value : values)
        parts << QString::number(value);
    return parts.join(separator);
}

} // namespace

CConfiguration::CConfiguration(AppFlags &flags, MessageBoxPresenter &boxes, QString registryPath)
    : m_flags(flags), m_boxes(boxes), m_store(boxes, std::move(registryPath))
{
}

CConfiguration::~CConfiguration() = default;

QString CConfiguration::ListCountKey(int p)
{
    return p == 0 ? QStringLiteral("ListCount") : QString::asprintf("Project\\%03d\\%s", p, "ListCount");
}

QString CConfiguration::DefineSection(int p, int i)
{
    return p == 0 ? QString::asprintf("%s%2d", "Define", i) : QString::asprintf("Project\\%03d\\%s%2d", p, "Define", i);
}

QString CConfiguration::ProjectSection(int p)
{
    return p == 0 ? OptionsSection : QString::asprintf("Project\\%03d\\", p);
}

QString CConfiguration::BackupNameFor(const QString &iniPath, const QDateTime &localTime)
{
    const QDate date = localTime.date();
    const QTime time = localTime.time();
    return iniPath + QString::asprintf(".%04d%02d%02d%02d%02d%02d.bak", date.year(), date.month(), date.day(),
                                       time.hour(), time.minute(), time.second());
}

void CConfiguration::ScanIntegers(QStringView text, QChar separator, std::span<qint32> out)
{
    qsizetype i = 0;
    const auto skipSpace = [&] {
        while (i < text.size() && text[i].isSpace())
            ++i;
    };
    for (size_t k = 0; k < out.size(); ++k) {
        if (k > 0 && separator != u' ') {
            if (i >= text.size() || text[i] != separator)
                return;
            ++i;
        }
        skipSpace();
        const bool negative = i < text.size() && text[i] == u'-';
        if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
            ++i;
        if (i >= text.size() || !text[i].isDigit() || text[i].unicode() > u'9')
            return;
        quint32 value = 0;
        for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
            value = value * 10 + quint32(text[i].unicode() - u'0');
        out[k] = static_cast<qint32>(negative ? 0u - value : value);
    }
}

void CConfiguration::BringActiveProjectIntoRange()
{
    if (m_activeProject < 0 || m_activeProject >= m_projects.Count())
        m_activeProject = 0;
}

QString CConfiguration::ProjectDefaultName(int p) const
{
    return LoadResString(p == 0 ? IDS_PROJECT_DEFAULT_NAME : IDS_PROJECT_UNNAMED);
}

void CConfiguration::LoadGlobalSettings()
{
    CSettingsStore::Batch batch(m_store);
    m_projects.Clear();
    if (m_flags.ForceIni)
        m_store.SetUseRegistry(false);
    m_options.MinimizeOnTrayOnly = m_store.ReadSettingInt(OptionsSection, QStringLiteral("MinimizeOnTrayOnly"), 0) != 0;
    m_options.AutoExitWhenError = m_store.ReadSettingInt(OptionsSection, QStringLiteral("AutoExitWhenError"), 0) != 0;

    QString setupList = DefaultSetupList;
    QString reportList = DefaultReportList;
    if (m_flags.LogoffMode) {
        if (m_activeProject == -1)
            m_activeProject = 0;
        m_store.SetUseRegistry(false);
        m_layout.left = m_layout.top = 0;
        m_layout.right = 640;
        m_layout.bottom = 480;
        for (int i = 0; i < DefaultProjectCount; ++i)
            m_projects.AddProject(LogoffProjectName);
    } else {
        if (m_activeProject == -1)
            m_activeProject = m_store.ReadSettingInt(OptionsSection, QStringLiteral("ActiveProject"), 0);
        // The list holds at least one project and at most as many as the model can.
        const int count = std::clamp(m_store.ReadSettingInt(OptionsSection, QStringLiteral("ProjectCount"), DefaultProjectCount),
                                     1, CProjectList::MaxProjects);
        std::array<qint32, 4> rect{m_layout.left, m_layout.top, m_layout.right, m_layout.bottom};
        ScanIntegers(m_store.ReadSettingString(Window, QStringLiteral("MainWindow"), QStringLiteral("0 0 0 0")), u' ', rect);
        m_layout.left = rect[0];
        m_layout.top = rect[1];
        m_layout.right = rect[2];
        m_layout.bottom = rect[3];
        for (int i = 0; i < count; ++i)
            m_projects.AddProject(m_store.ReadSettingString(ProjectSection(i), ProjectNameKey, ProjectDefaultName(i)));
        setupList = m_store.ReadSettingString(Window, QStringLiteral("SetupList"), DefaultSetupList);
        reportList = m_store.ReadSettingString(Window, QStringLiteral("ReportList"), DefaultReportList);
    }
    ScanIntegers(setupList, u',', m_layout.setupListWidths);
    ScanIntegers(reportList, u',', m_layout.reportListWidths);
}

bool CConfiguration::SaveGlobalSettings()
{
    if (m_flags.LogoffMode || m_globalSaveSuppressed)
        return true;   // nothing is to be saved
    // The batch notes every write that fails; its end says whether all of them arrived.
    CSettingsStore::Batch batch(m_store);
    m_store.WriteStoreChoice();
    m_store.WriteSettingInt(OptionsSection, QStringLiteral("MinimizeOnTrayOnly"), m_options.MinimizeOnTrayOnly ? 1 : 0);
    m_store.WriteSettingInt(OptionsSection, QStringLiteral("AutoExitWhenError"), m_options.AutoExitWhenError ? 1 : 0);
    SaveProjectCount(m_projects.Count());
    const std::array<qint32, 4> rect{m_layout.left, m_layout.top, m_layout.right, m_layout.bottom};
    m_store.WriteSettingString(Window, QStringLiteral("MainWindow"), FormatIntegers(rect, u' '));

    const QString unnamed = LoadResString(IDS_PROJECT_UNNAMED);
    for (int i = 0; i < m_projects.Count(); ++i) {
        const QString name = m_projects.Name(i);
        const int count = m_store.ReadSettingInt(OptionsSection, ListCountKey(i), 0);
        // An unnamed empty project needs no section: the next load recreates it from the count.
        // Where the section cannot go (a registry key still holding old settings), the name is
        // written instead, so an older name does not come back.
        const QString section = ProjectSection(i);
        if (i >= 1 && count == 0 && name == unnamed && !m_store.SectionHoldsNestedSections(section))
            m_store.DeleteSettingSection(section);
        else
            m_store.WriteSettingString(section, ProjectNameKey, name);
    }
    m_store.WriteSettingString(Window, QStringLiteral("SetupList"), FormatIntegers(m_layout.setupListWidths, u','));
    m_store.WriteSettingString(Window, QStringLiteral("ReportList"), FormatIntegers(m_layout.reportListWidths, u','));
    return batch.Commit();
}

void CConfiguration::LoadAllProjects(CProjectList &working)
{
    working.CopyNamesFrom(m_projects);
    CSettingsStore::Batch batch(m_store);
    // One scratch table serves every project; each keeps only its records in use.
    std::vector<CFolderSetting> scratch(CMirroringDefine::Capacity);
    for (int p = 0; p < working.Count(); ++p) {
        const int count = LoadProjectSettings(scratch, p);
        working.SetProject(p, std::vector<CFolderSetting>(scratch.begin(), scratch.begin() + count));
    }
}

bool CConfiguration::ApplyToStore(CProjectList &working)
{
    const int n = working.Count();
    const int m = m_projects.Count();
    CSettingsStore::Batch batch(m_store);
    // Projects that are gone, or empty now, lose what their numbers held before the edit.
    for (int p = 0; p < m; ++p) {
        if (p >= n || working.FolderSettingCount(p) == 0)
            DeleteProjectSettings(StoredFolderSettingCount(p), p);
    }
    if (n == 0)
        working.AddProject(LoadResString(IDS_PROJECT_DEFAULT_NAME));
    for (int p = 0; p < n; ++p)
        SaveProjectSettings(working.FolderSettings(p), p);
    m_projects.CopyNamesFrom(working);
    return batch.Commit();
}

bool CConfiguration::SaveProjectCount(int count)
{
    CSettingsStore::Batch batch(m_store);
    m_store.WriteSettingInt(OptionsSection, QStringLiteral("ActiveProject"), m_activeProject < count ? m_activeProject : -1);
    m_store.WriteSettingInt(OptionsSection, QStringLiteral("ProjectCount"), count);
    return batch.Commit();
}

void CConfiguration::LoadSavedOptions()
{
    const GlobalOptions defaults;
    for (const SavedOption &option : SavedOptions) {
        const QString key = QString::fromUtf16(option.key);
        std::visit(Overloaded{
                       [&](bool GlobalOptions::*m) { m_options.*m = m_store.ReadSettingInt(OptionsSection, key, defaults.*m) != 0; },
                       [&](qint32 GlobalOptions::*m) { m_options.*m = m_store.ReadSettingInt(OptionsSection, key, defaults.*m); },
                       [&](QString GlobalOptions::*m) { m_options.*m = m_store.ReadSettingString(OptionsSection, key, defaults.*m); },
                   },
                   option.member);
    }
}

void CConfiguration::SaveSavedOptions()
{
    for (const SavedOption &option : SavedOptions) {
        const QString key = QString::fromUtf16(option.key);
        std::visit(Overloaded{
                       [&](bool GlobalOptions::*m) { m_store.WriteSettingInt(OptionsSection, key, m_options.*m ? 1 : 0); },
                       [&](qint32 GlobalOptions::*m) { m_store.WriteSettingInt(OptionsSection, key, m_options.*m); },
                       [&](QString GlobalOptions::*m) { m_store.WriteSettingString(OptionsSection, key, m_options.*m); },
                   },
                   option.member);
    }
}

int CConfiguration::StoredFolderSettingCount(int p)
{
    return std::clamp(m_store.ReadSettingInt(OptionsSection, ListCountKey(p), 0), 0, CMirroringDefine::Capacity);
}

void CConfiguration::LoadSetting(CFolderSetting &record, const QString &section)
{
    const auto fields = FolderSettingField::All();
    const std::vector<QString> &keys = FieldKeys();
    record = CFolderSetting::WithLoadDefaults();
    for (size_t f = 0; f < fields.size(); ++f) {
        const FolderSettingField &field = fields[f];
        if (field.IsStoredAsText())
            field.SetFromStoredText(record, m_store.ReadSettingString(section, keys[f], field.StoredText(record)));
        else
            field.SetFromStoredInteger(record, m_store.ReadSettingInt(section, keys[f], field.StoredInteger(record)));
    }
    record.ApplyLoadRules();
}

void CConfiguration::SaveSetting(const CFolderSetting &record, const QString &section)
{
    const auto fields = FolderSettingField::All();
    const std::vector<QString> &keys = FieldKeys();
    for (size_t f = 0; f < fields.size(); ++f) {
        const FolderSettingField &field = fields[f];
        if (field.IsStoredAsText())
            m_store.WriteSettingString(section, keys[f], field.StoredText(record));
        else
            m_store.WriteSettingInt(section, keys[f], field.StoredInteger(record));
    }
}

int CConfiguration::LoadProjectSettings(std::span<CFolderSetting> records, int p)
{
    CSettingsStore::Batch batch(m_store);
    LoadSavedOptions();
    const int count = std::min(StoredFolderSettingCount(p), int(records.size()));
    for (int i = 0; i < count; ++i)
        LoadSetting(records[i], DefineSection(p, i));
    return count;
}

int CConfiguration::LoadProjectSettings(CMirroringDefine &table, int p)
{
    const int count = LoadProjectSettings(std::span(table.Records(), CMirroringDefine::Capacity), p);
    table.SetCount(count);
    return count;
}

bool CConfiguration::SaveProjectSettings(std::span<const CFolderSetting> records, int p)
{
    const int count = int(std::min<size_t>(records.size(), CMirroringDefine::Capacity));
    CSettingsStore::Batch batch(m_store);
    SaveSavedOptions();
    if (count != 0 || p == 0)
        m_store.WriteSettingInt(OptionsSection, ListCountKey(p), count);
    else
        m_store.DeleteSettingKey(OptionsSection, ListCountKey(p));
    for (int i = 0; i < count; ++i)
        SaveSetting(records[i], DefineSection(p, i));
    return batch.Commit();
}

bool CConfiguration::SaveProjectSettings(const CMirroringDefine &table, int count, int p)
{
    count = std::clamp(count, 0, CMirroringDefine::Capacity);
    return SaveProjectSettings(std::span(table.Records(), size_t(count)), p);
}

bool CConfiguration::DeleteProjectSettings(int count, int p)
{
    CSettingsStore::Batch batch(m_store);
    // The folder settings go first: a registry key that still holds them could not be deleted.
    count = std::clamp(count, 0, CMirroringDefine::Capacity);
    for (int i = 0; i < count; ++i)
        m_store.DeleteSettingSection(DefineSection(p, i));
    m_store.DeleteSettingKey(OptionsSection, ListCountKey(p));
    if (p >= 1)
        m_store.DeleteSettingSection(ProjectSection(p));
    else
        m_store.DeleteSettingKey(OptionsSection, ProjectNameKey);
    return batch.Commit();
}

void CConfiguration::ConvertIniToUnicode()
{
    if (m_store.UseRegistry() || !m_store.IniFileExists())
        return;
    const QString iniPath = m_store.IniPath();
    const auto report = [this](const QString &path, int error) {
        MessageBoxFormatted(m_boxes, IDS_MSG_INI_OPEN_FAILED, IDS_CAPTION_OPEN_INI, {.icon = MessageIcon::Error},
                            path, SystemErrorText(error));
    };
    QByteArray old;
    if (const int error = CIniFile::ReadWholeFile(iniPath, old)) {
        report(iniPath, error);
        return;
    }
    if (old.startsWith("\xFF\xFE"))
        return;

    // The old file is read back from the copy, so nothing is emptied before the copy is safe.
    const QString backup = BackupNameFor(iniPath, QDateTime::currentDateTime());
    if (const int error = CIniFile::ReplaceFile(backup, old)) {
        report(backup, error);
        return;
    }

    bool written;
    {
        CSettingsStore::Batch batch(m_store);
        m_store.PrepareIniFile(true);
        SaveGlobalSettings();
        const int active = m_activeProject;
        std::vector<CFolderSetting> scratch(CMirroringDefine::Capacity);
        for (int p = 0; p < ConvertedProjects; ++p) {
            m_store.SetIniPath(backup);
            const int count = LoadProjectSettings(scratch, p);
            m_store.SetIniPath(iniPath);
            SaveProjectSettings(std::span(scratch.data(), size_t(count)), p);
        }
        m_activeProject = active;
        for (int p = HighestProjectNumber; p >= ConvertedProjects; --p)
            DeleteProjectSettings(0, p);
        SaveProjectCount(ConvertedProjects);
        written = batch.Commit();
    }
    if (!written)
        return;   // the store has said why; the old file is still in place and the next start tries again
    LoadGlobalSettings();
    MessageBoxFormatted(m_boxes, IDS_MSG_INI_CONVERTED, IDS_CAPTION_OPEN_INI, {.icon = MessageIcon::Information},
                        backup);
}
