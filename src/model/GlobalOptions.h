#pragma once

#include <QString>
#include <QtGlobal>

// Options of the whole program. The log options are the common run log's; a folder setting
// with its own log uses its own fields instead.
struct GlobalOptions {
    bool MinimizeOnTrayOnly = false;
    bool AutoExitWhenError = false;   // unattended runs that exit show no messages
    bool OutputLog = false;
    QString LogFileName;              // may hold %VARIABLES%
    bool OutputErrorOnly = false;
    bool OutputSkipLog = true;
    bool ClearLog = false;            // empty the common log before each real run
    bool WriteLogImmediately = false;
    QString CompareToolPath = QStringLiteral("meld");
    QString CompareToolParam = QStringLiteral("%m %b");   // %m master, %b backup folder
    qint32 DivideY = 192;             // divider between the two lists of the main view

    friend bool operator==(const GlobalOptions &, const GlobalOptions &) = default;
};
