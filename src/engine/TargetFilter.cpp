#include "engine/TargetFilter.h"

#include "model/FolderSetting.h"
#include "platform/BRegExp.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <ctime>

namespace {

constexpr QStringView RegExpPrefix = u"re:";
constexpr QStringView SpecialCharacters = u"$()+.[\\]^{|}";

struct TargetTypeModes {
    bool filesInclude;
    bool foldersInclude;
};
// Indexed by TargetType; any other value makes both lists ignore lists.
constexpr std::array<TargetTypeModes, 4> TargetTypes = {{
    {true, true},     // 0
    {false, false},   // 1
    {true, false},    // 2
    {false, true},    // 3
}};

TargetTypeModes ModesOf(qint32 targetType)
{
    return targetType >= 0 && targetType < qint32(TargetTypes.size()) ? TargetTypes[targetType]
                                                                      : TargetTypeModes{false, false};
}

// A list of nothing but ";" holds no pattern and filters nothing.
bool HasPatterns(const QString &list)
{
    return std::any_of(list.begin(), list.end(), [](QChar c) { return c != u';'; });
}

QStringView NameOf(QStringView path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

} // namespace

CTargetFilter::CTargetFilter(CBRegExp &fileMatcher, CBRegExp &folderMatcher)
    : fileMatcher(fileMatcher), folderMatcher(folderMatcher)
{
}

QString CTargetFilter::WildcardToRegExp(QStringView text)
{
    QString out;
    out.reserve(text.size() * 2);
    for (const QChar c : text) {
        if (c == u'*')
            out += QStringLiteral(".*");
        else if (c == u'?')
            out += u'.';
        else {
            if (SpecialCharacters.contains(c))
                out += u'\\';
            out += c;
        }
    }
    return out;
}

QString CTargetFilter::FilePattern(const QString &targetFile)
{
    const QString converted = WildcardToRegExp(targetFile.toLower());
    QString pattern = QStringLiteral("(^");
    for (qsizetype i = 0; i < converted.size(); ++i) {
        if (converted[i] != u';')
            pattern += converted[i];
        else if (i + 1 < converted.size())
            pattern += QStringLiteral("|^");
    }
    return pattern + QStringLiteral(")$");
}

QString CTargetFilter::FolderItemPattern(const QString &item)
{
    if (item.startsWith(RegExpPrefix))
        return item.mid(RegExpPrefix.size());
    // Patterns written with the other platform's separator keep working.
    QString path = item;
    path.replace(u'\\', u'/');
    const bool hasSeparator = path.contains(u'/');
    const bool hasWildcard = path.contains(u'*') || path.contains(u'?');
    QString pattern = WildcardToRegExp(path);
    if (hasSeparator) {
        // "a/*" also stands for "a" itself; "a/" for "a".
        if (pattern.endsWith(u"/.*") || pattern.contains(u"/.*/"))
            pattern.replace(QStringLiteral("/.*"), QStringLiteral("(/.*)?"));
        if (pattern.endsWith(u'/'))
            pattern += u'?';
    }
    if (hasWildcard)
        pattern.prepend(u'^');
    return pattern + u'$';
}

QString CTargetFilter::FolderPattern(const QString &targetDirectory)
{
    QStringList items;
    for (const QString &item : targetDirectory.split(u';', Qt::SkipEmptyParts))
        items += u'(' + FolderItemPattern(item) + u')';
    return items.join(u'|');
}

bool CTargetFilter::CompileFilePatterns(const CFolderSetting &setting)
{
    failedList = TargetPatternList::None;
    if (!HasPatterns(setting.TargetFile)) {
        fileMode = ListMode::Off;
        return true;
    }
    fileMode = ModesOf(setting.TargetType).filesInclude ? ListMode::Include : ListMode::Ignore;
    if (fileMatcher.SetPattern(FilePattern(setting.TargetFile)))
        return true;
    failedList = TargetPatternList::Files;
    return false;
}

bool CTargetFilter::CompileFolderPatterns(const CFolderSetting &setting)
{
    failedList = TargetPatternList::None;
    if (!HasPatterns(setting.TargetDirectory)) {
        folderMode = ListMode::Off;
        return true;
    }
    folderMode = ModesOf(setting.TargetType).foldersInclude ? ListMode::Include : ListMode::Ignore;
    // Each item on its own first, so that a refused item is found before it is hidden in the whole.
    QStringList items;
    for (const QString &item : setting.TargetDirectory.split(u';', Qt::SkipEmptyParts)) {
        const QString pattern = FolderItemPattern(item);
        if (!folderMatcher.SetPattern(pattern)) {
            failedList = TargetPatternList::Folders;
            return false;
        }
        items += u'(' + pattern + u')';
    }
    // Items that pass alone can still clash together (a group name used twice); a refused
    // whole would quietly match nothing.
    if (!folderMatcher.SetPattern(items.join(u'|'))) {
        failedList = TargetPatternList::Folders;
        return false;
    }
    return true;
}

TargetCode CTargetFilter::Code(ListMode mode, bool matched)
{
    switch (mode) {
    case ListMode::Off:
        return TargetCode::NoFilter;
    case ListMode::Include:
        return matched ? TargetCode::Included : TargetCode::NotIncluded;
    case ListMode::Ignore:
        break;
    }
    return matched ? TargetCode::Ignored : TargetCode::NotIgnored;
}

TargetCode CTargetFilter::FileTarget(QStringView relativePath)
{
    if (fileMode == ListMode::Off)
        return TargetCode::NoFilter;
    return Code(fileMode, fileMatcher.Test(NameOf(relativePath)));
}

TargetCode CTargetFilter::FolderTarget(QStringView relativePath)
{
    if (folderMode == ListMode::Off)
        return TargetCode::NoFilter;
    return Code(folderMode, folderMatcher.Test(relativePath));
}

std::optional<quint64> CTargetFilter::SizeThreshold(const CFolderSetting &setting)
{
    if (!setting.SkipTargetFileSize || setting.TargetFileSize <= 0)
        return std::nullopt;
    quint64 threshold = quint64(setting.TargetFileSize);
    for (qint32 unit = 0; unit < setting.TargetFileSizeUnit; ++unit) {
        // A threshold beyond 64 bits is larger than any file.
        if (threshold > (~quint64(0) >> 10))
            return std::nullopt;
        threshold <<= 10;
    }
    return threshold;
}

bool CTargetFilter::SizeFilter(const CFolderSetting &setting, quint64 size)
{
    const std::optional<quint64> threshold = SizeThreshold(setting);
    return !threshold || size < *threshold;
}

std::optional<bool> CTargetFilter::DateFilter(const CFolderSetting &setting, qint64 lastWriteSeconds)
{
    // Times from 1970 to far beyond any clock (the year 36812) are calendar times after 1900
    // in every time zone; only the others ask the calendar, which this costs for every file.
    constexpr qint64 PlainTimes = qint64(1) << 40;
    qint64 seconds = lastWriteSeconds;
    if (lastWriteSeconds < 0 || lastWriteSeconds >= PlainTimes) {
        const std::time_t time = std::time_t(lastWriteSeconds);
        std::tm calendar {};
        if (!localtime_r(&time, &calendar))
            return std::nullopt;
        seconds = calendar.tm_year < 0 ? 0 : lastWriteSeconds;   // before 1900
    }
    switch (setting.TargetDateType) {
    case 1:
        return seconds >= setting.TargetDate;
    case 2:
        return seconds > setting.LastExec;
    default:
        return true;
    }
}
