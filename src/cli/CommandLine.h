#pragma once

#include "model/FolderSetting.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What the command line of orvane-cli asks for, once it has been read.
struct CliOptions {
    enum class Command { Help, Run, Mirror, List };
    Command command = Command::Help;
    std::optional<QString> ini;   // --ini=NAME: the INI back-end with NAME.ini
    std::optional<int> project;   // 0-based; given counting from 1
    QList<int> settings;          // 0-based, in the order given; empty: every AutoExec setting
    bool test = false;
    bool autoMode = false;        // schedule gates, as an unattended start
    bool quiet = false;
    bool interactive = false;
    CFolderSetting adHoc;         // mirror: the New values, --set applied, the two folders
};

// Reads the arguments of orvane-cli. A usage error is a text that names the offending option
// or key; nothing is read from or written to the disk here.
class CCommandLine {
public:
    struct Result {
        CliOptions options;
        QString error;   // empty when the arguments are usable
        bool Ok() const { return error.isEmpty(); }
    };

    virtual ~CCommandLine() = default;

    // The arguments without the program's name.
    static Result Parse(const QStringList &arguments);
    // "Key=Value" with the stored key name and the stored form of the value; the error text,
    // or empty when the record took the value.
    static QString ApplySetting(CFolderSetting &record, const QString &assignment);
    // Every command and option, in Japanese and in English.
    static QString HelpText();
};
