#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>

class CBRegExp;
struct CFolderSetting;

// Result of a target test.
enum class TargetCode {
    NoFilter = 0,       // the list is empty
    Included = 1,       // matched by an include list
    NotIncluded = 2,    // not matched by an include list
    Ignored = 3,        // matched by an ignore list
    NotIgnored = 4,     // not matched by an ignore list
};

constexpr bool IsTarget(TargetCode code)
{
    return code == TargetCode::NoFilter || code == TargetCode::Included || code == TargetCode::NotIgnored;
}

// Which of the two pattern lists a matcher refused.
enum class TargetPatternList { None, Files, Folders };

// The file and folder patterns of the folder setting being processed, compiled into the run's
// two matchers (not owned), and the date and size filters.
class CTargetFilter {
public:
    CTargetFilter(CBRegExp &fileMatcher, CBRegExp &folderMatcher);

    // Both leave the matcher alone when the list is empty. False when the matcher refuses a
    // pattern; FailedList() then says which list it was.
    bool CompileFilePatterns(const CFolderSetting &setting);
    bool CompileFolderPatterns(const CFolderSetting &setting);
    TargetPatternList FailedList() const { return failedList; }

    // Tests the name after the last "/" against the file patterns last compiled.
    TargetCode FileTarget(QStringView relativePath);
    // Tests a relative folder path ("" for the root, no leading or trailing "/").
    TargetCode FolderTarget(QStringView relativePath);

    // Pattern texts, without a matcher.
    static QString WildcardToRegExp(QStringView text);
    static QString FilePattern(const QString &targetFile);
    static QString FolderItemPattern(const QString &item);
    // The combined folder pattern; empty pieces dropped.
    static QString FolderPattern(const QString &targetDirectory);

    // True when a file of this size is to be processed.
    static bool SizeFilter(const CFolderSetting &setting, quint64 size);
    // The size from which files are skipped; none when nothing is skipped.
    static std::optional<quint64> SizeThreshold(const CFolderSetting &setting);
    // True when a file written at lastWriteSeconds (since 1970 UTC) is to be processed; none
    // when that time has no calendar time.
    static std::optional<bool> DateFilter(const CFolderSetting &setting, qint64 lastWriteSeconds);

private:
    enum class ListMode { Off, Include, Ignore };
    static TargetCode Code(ListMode mode, bool matched);

    CBRegExp &fileMatcher;
    CBRegExp &folderMatcher;
    ListMode fileMode = ListMode::Off;
    ListMode folderMode = ListMode::Off;
    TargetPatternList failedList = TargetPatternList::None;
};
