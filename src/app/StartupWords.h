#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What the words of the command line ask of this start.
struct StartupOptions {
    bool autoMode = false;           // auto, start, shutdown: run 全更新 by itself
    bool afterRunExit = false;       // auto
    bool afterRunShutdown = false;   // shutdown
    bool startHidden = false;        // icon: only the notification-area icon shows
    bool forceIni = false;           // ini=, logoff
    bool logoffMode = false;         // logoff
    std::optional<QString> iniName;  // the INI file's base name; "mirror" for logoff without ini=
    std::optional<int> project;      // project=: the active project index (0-based)

    friend bool operator==(const StartupOptions &, const StartupOptions &) = default;
};

// The words of the command line. Each argument is an option, "/" or "-" followed by a word;
// the words are tried in a fixed order and the first that the argument begins with (ASCII case
// ignored) applies: /AUTO and /autorun both mean auto. An argument without "/" or "-" in front
// is a name, not a word, and like every argument that matches no word it is passed over.
class CStartupWords {
public:
    static constexpr int MaxProject = 1000;

    virtual ~CStartupWords() = default;

    // The arguments after the program's own name.
    static StartupOptions Parse(const QStringList &arguments);
    // The value of project=: the number its leading digits make (none make 0), as an index
    // when it is 1 to 1000, else the first project.
    static int ProjectIndex(QStringView value);
};
