#pragma once

#include <QString>
#include <optional>

// Path forms of this platform. A folder root is an absolute path ending in "/"; a full path is a
// root followed by a relative path (no leading "/"). Folder fields may hold %NAME% references to
// environment variables, expanded each time they are used.

inline constexpr QChar PathSeparator = u'/';

bool EndsWithSeparator(const QString &path);

// Absolute, lexically resolved ("." and ".." removed, relative input taken against the current
// directory; symbolic links are not resolved), ending in "/". Empty when it cannot be made.
std::optional<QString> MakeFolderRoot(const QString &path);

// Replaces every %NAME% by the value of the environment variable NAME; unset names stay as written.
QString ExpandEnvironment(const QString &text);

struct PathParts {
    QString drive;      // always empty here
    QString folder;     // up to and including the last "/"
    QString name;
    QString extension;  // from the last "." after the folder, "." included
};
PathParts SplitPath(const QString &path);

QString NameOfPath(const QString &path);
QString ParentOfPath(const QString &path);
QString LastNameOfPath(const QString &path);

struct ModulePath {
    QString fullPath;
    QString folder;     // ending in "/"
    QString name;
    QString extension;
};
// The running program's own file.
ModulePath ModulePathParts();
// Where the INI files are: $ORVANE_PROGRAM_DIR when it is set (the tests' temporary folders),
// else the program's own folder; ending in "/".
QString ProgramFolder();

// An absolute path with the symbolic links of its existing part resolved; the part that does
// not exist yet is appended as it stands. Ends in "/" when the input does.
QString ResolveLinks(const QString &path);

// The running copy's socket and lock file: "<title>-<uid>" in the user's runtime folder,
// $XDG_RUNTIME_DIR, or where it is unset (cron) the user's own /run/user/<uid>, so that the window
// and a scheduled orvane-cli meet; without either, in the temporary folder.
QString InstanceName(const QString &title);
// $XDG_RUNTIME_DIR when set, else the user's own folder when it is one; else empty.
QString RuntimeFolder(const QString &fromEnvironment, const QString &usersOwn);
