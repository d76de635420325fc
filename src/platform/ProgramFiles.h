#pragma once

#include <QString>

// The program's own files around its executable. A portable copy (and the build tree) keeps
// them in one folder beside the program; an installed program has its executables in
// <prefix>/bin and its data in <prefix>/share/orvane.

inline const QString ManualFileName = QStringLiteral("Orvane.txt");

// The data folder of a program installed in programFolder ("<prefix>/bin/"), ending in "/".
QString InstalledDataFolder(const QString &programFolder);

// The manual: beside the program when it is there, else in the installed data folder. When
// neither holds it, the path beside the program, so that opening it lets the desktop say what
// is missing.
QString ManualPath(const QString &programFolder);
// The manual of the running program.
QString ManualPath();

// 0 when a new file can be created in folder, else the errno that refused it. It is tried for
// real and nothing is left behind: permissions, a read-only mount and a missing folder answer
// alike, for root as for anyone.
int FolderCreationError(const QString &folder);
