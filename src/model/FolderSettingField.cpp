#include "model/FolderSettingField.h"

#include "platform/Text.h"

#include <array>

namespace {

using F = FolderSettingField;
using S = CFolderSetting;

constexpr std::array Fields = {
    F::Time(u"LastExec", &S::LastExec),
    F::Flag(u"AutoExec", &S::AutoExec),
    F::Text(u"Name", &S::Name),
    F::Text(u"Master", &S::Master),
    F::Text(u"Backup", &S::Backup),
    F::Text(u"Target", &S::Target),
    F::Text(u"Volume", &S::Volume),
    F::Flag(u"Mirroring", &S::Mirroring),
    F::Integer<&S::BackupType>(u"BackupType"),
    F::Flag(u"DeleteConf", &S::DeleteConf),
    F::Flag(u"DeleteRecycleBin", &S::DeleteRecycleBin),
    F::Flag(u"OverWrite", &S::OverWrite),
    F::Flag(u"SubDir", &S::SubDir),
    F::Flag(u"CheckVolume", &S::CheckVolume),
    F::Flag(u"VolErrorSkip", &S::VolErrorSkip),
    F::Flag(u"NtfsToFat", &S::NtfsToFat),
    F::Integer<&S::LeaveTime>(u"LeaveTime"),
    F::Flag(u"ErrorLeave", &S::ErrorLeave),
    F::Flag(u"CopyLockedFile", &S::CopyLockedFile),
    F::Flag(u"ErrorNetPathRetry", &S::ErrorNetPathRetry),
    F::Integer<&S::NetPathRetryCount>(u"NetPathRetryCount"),
    F::Flag(u"CheckFileName", &S::CheckFileName),
    F::Flag(u"CopyFileTimeAll", &S::CopyFileTimeAll),
    F::Flag(u"CopyFolderTime", &S::CopyFolderTime),
    F::Flag(u"RenameCapital", &S::RenameCapital),
    F::Flag(u"ShowSkipFile", &S::ShowSkipFile),
    F::Flag(u"MakeDateDir", &S::MakeDateDir),
    F::Integer<&S::TargetType>(u"TargetType"),
    F::Text(u"TargetFile", &S::TargetFile),
    F::Text(u"TargetDirectory", &S::TargetDirectory),
    F::Flag(u"DeleteIgnoreTarget", &S::DeleteIgnoreTarget),
    F::Flag(u"SkipTargetFileSize", &S::SkipTargetFileSize),
    F::SizeThreshold(u"TargetFileSize"),
    F::Integer<&S::TargetDateType>(u"TargetDateType"),
    F::Time(u"TargetDate", &S::TargetDate),
    F::Flag(u"OutputLog", &S::OutputLog),
    F::Flag(u"OutputErrorOnly", &S::OutputErrorOnly),
    F::Flag(u"OutputSkipLog", &S::OutputSkipLog),
    F::Flag(u"ClearLog", &S::ClearLog),
    F::Flag(u"WriteLogImmediately", &S::WriteLogImmediately),
    F::Text(u"LogFileName", &S::LogFileName),
    F::Integer<&S::Errors>(u"Errors"),
    F::Integer<&S::ScheduleType>(u"ScheduleType"),
    F::Integer<&S::ScheduleTime>(u"ScheduleTime"),
    F::Integer<&S::DeleteLimit>(u"DeleteLimit"),
};

} // namespace

std::span<const FolderSettingField> FolderSettingField::All()
{
    return Fields;
}

const FolderSettingField *FolderSettingField::Find(QStringView key)
{
    for (const FolderSettingField &field : Fields) {
        if (field.Key().compare(key, Qt::CaseInsensitive) == 0)
            return &field;
    }
    return nullptr;
}

qint32 FolderSettingField::StoredInteger(const CFolderSetting &record) const
{
    switch (m_kind) {
    case Kind::Flag: return record.*m_flag ? 1 : 0;
    case Kind::Integer: return m_integer.get(record);
    // Times are kept as unsigned 32 bits, so they reach past 2038.
    case Kind::Time: return static_cast<qint32>(static_cast<quint32>(record.*m_time));
    case Kind::Text:
    case Kind::SizeThreshold: break;
    }
    return 0;
}

QString FolderSettingField::StoredText(const CFolderSetting &record) const
{
    switch (m_kind) {
    case Kind::Text: return record.*m_text;
    case Kind::SizeThreshold: return FormatSizeSetting(record.TargetFileSize, record.TargetFileSizeUnit);
    case Kind::Flag:
    case Kind::Integer:
    case Kind::Time: break;
    }
    return QString::number(StoredInteger(record));
}

void FolderSettingField::SetFromStoredInteger(CFolderSetting &record, qint32 value) const
{
    switch (m_kind) {
    case Kind::Flag: record.*m_flag = value != 0; break;
    case Kind::Integer: m_integer.set(record, value); break;
    case Kind::Time: record.*m_time = static_cast<quint32>(value); break;
    case Kind::Text:
    case Kind::SizeThreshold: break;
    }
}

void FolderSettingField::SetFromStoredText(CFolderSetting &record, const QString &value) const
{
    switch (m_kind) {
    case Kind::Text: record.*m_text = value; break;
    case Kind::SizeThreshold: {
        const SizeSetting size = ParseSizeSetting(value);
        record.TargetFileSize = size.value;
        record.TargetFileSizeUnit = size.unit;
        break;
    }
    case Kind::Flag:
    case Kind::Integer:
    case Kind::Time: SetFromStoredInteger(record, value.toInt()); break;
    }
}
