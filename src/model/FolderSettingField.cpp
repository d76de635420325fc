#include "model/FolderSettingField.h"

#include "platform/Text.h"

#include <array>

namespace {

using F = FolderSettingField;
using S = CFolderSetting;

constexpr std::array kFields = {
    F::time(u"LastExec", &S::LastExec),
    F::flag(u"AutoExec", &S::AutoExec),
    F::text(u"Name", &S::Name),
    F::text(u"Master", &S::Master),
    F::text(u"Backup", &S::Backup),
    F::text(u"Target", &S::Target),
    F::text(u"Volume", &S::Volume),
    F::flag(u"Mirroring", &S::Mirroring),
    F::integer<&S::BackupType>(u"BackupType"),
    F::flag(u"DeleteConf", &S::DeleteConf),
    F::flag(u"DeleteRecycleBin", &S::DeleteRecycleBin),
    F::flag(u"OverWrite", &S::OverWrite),
    F::flag(u"SubDir", &S::SubDir),
    F::flag(u"CheckVolume", &S::CheckVolume),
    F::flag(u"VolErrorSkip", &S::VolErrorSkip),
    F::flag(u"NtfsToFat", &S::NtfsToFat),
    F::integer<&S::LeaveTime>(u"LeaveTime"),
    F::flag(u"ErrorLeave", &S::ErrorLeave),
    F::flag(u"CopyLockedFile", &S::CopyLockedFile),
    F::flag(u"ErrorNetPathRetry", &S::ErrorNetPathRetry),
    F::integer<&S::NetPathRetryCount>(u"NetPathRetryCount"),
    F::flag(u"CheckFileName", &S::CheckFileName),
    F::flag(u"CopyFileTimeAll", &S::CopyFileTimeAll),
    F::flag(u"CopyFolderTime", &S::CopyFolderTime),
    F::flag(u"RenameCapital", &S::RenameCapital),
    F::flag(u"ShowSkipFile", &S::ShowSkipFile),
    F::flag(u"MakeDateDir", &S::MakeDateDir),
    F::integer<&S::TargetType>(u"TargetType"),
    F::text(u"TargetFile", &S::TargetFile),
    F::text(u"TargetDirectory", &S::TargetDirectory),
    F::flag(u"DeleteIgnoreTarget", &S::DeleteIgnoreTarget),
    F::flag(u"SkipTargetFileSize", &S::SkipTargetFileSize),
    F::sizeThreshold(u"TargetFileSize"),
    F::integer<&S::TargetDateType>(u"TargetDateType"),
    F::time(u"TargetDate", &S::TargetDate),
    F::flag(u"OutputLog", &S::OutputLog),
    F::flag(u"OutputErrorOnly", &S::OutputErrorOnly),
    F::flag(u"OutputSkipLog", &S::OutputSkipLog),
    F::flag(u"ClearLog", &S::ClearLog),
    F::flag(u"WriteLogImmediately", &S::WriteLogImmediately),
    F::text(u"LogFileName", &S::LogFileName),
    F::integer<&S::Errors>(u"Errors"),
    F::integer<&S::ScheduleType>(u"ScheduleType"),
    F::integer<&S::ScheduleTime>(u"ScheduleTime"),
};

} // namespace

std::span<const FolderSettingField> FolderSettingField::all()
{
    return kFields;
}

const FolderSettingField *FolderSettingField::find(QStringView key)
{
    for (const FolderSettingField &field : kFields) {
        if (field.key().compare(key, Qt::CaseInsensitive) == 0)
            return &field;
    }
    return nullptr;
}

qint32 FolderSettingField::storedInteger(const CFolderSetting &record) const
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

QString FolderSettingField::storedText(const CFolderSetting &record) const
{
    switch (m_kind) {
    case Kind::Text: return record.*m_text;
    case Kind::SizeThreshold: return FormatSizeSetting(record.TargetFileSize, record.TargetFileSizeUnit);
    case Kind::Flag:
    case Kind::Integer:
    case Kind::Time: break;
    }
    return QString::number(storedInteger(record));
}

void FolderSettingField::setFromStoredInteger(CFolderSetting &record, qint32 value) const
{
    switch (m_kind) {
    case Kind::Flag: record.*m_flag = value != 0; break;
    case Kind::Integer: m_integer.set(record, value); break;
    case Kind::Time: record.*m_time = static_cast<quint32>(value); break;
    case Kind::Text:
    case Kind::SizeThreshold: break;
    }
}

void FolderSettingField::setFromStoredText(CFolderSetting &record, const QString &value) const
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
    case Kind::Time: setFromStoredInteger(record, value.toInt()); break;
    }
}
