#include "app/StartupWords.h"

#include <array>

namespace {

using Apply = void (*)(StartupOptions &, const QString &value);

struct Word {
    const char16_t *word;   // lower case; a word ending in "=" takes the rest as its value
    Apply apply;
};

// The order decides when an argument could begin with two words.
constexpr std::array Words{
    Word{u"auto", [](StartupOptions &o, const QString &) { o.autoMode = o.afterRunExit = true; }},
    Word{u"shutdown", [](StartupOptions &o, const QString &) { o.autoMode = o.afterRunShutdown = true; }},
    Word{u"start", [](StartupOptions &o, const QString &) { o.autoMode = true; }},
    Word{u"icon", [](StartupOptions &o, const QString &) { o.startHidden = true; }},
    // An empty name would make a file called ".ini": the INI back-end with the usual file instead.
    Word{u"ini=", [](StartupOptions &o, const QString &v) { o.forceIni = true; if (!v.isEmpty()) o.iniName = v; }},
    Word{u"logoff", [](StartupOptions &o, const QString &) { o.logoffMode = o.forceIni = true; }},
    Word{u"project=", [](StartupOptions &o, const QString &v) { o.project = CStartupWords::ProjectIndex(v); }},
};

char16_t AsciiLower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
}

bool BeginsWith(QStringView text, QStringView word)
{
    if (text.size() < word.size())
        return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (AsciiLower(text[i].unicode()) != word[i].unicode())
            return false;
    }
    return true;
}

} // namespace

int CStartupWords::ProjectIndex(QStringView value)
{
    // Digits beyond the range need not be read: the number is out of range already.
    qint64 number = 0;
    for (const QChar c : value) {
        if (c < u'0' || c > u'9')
            break;
        number = number * 10 + (c.unicode() - u'0');
        if (number > MaxProject)
            return 0;
    }
    return number >= 1 ? int(number - 1) : 0;
}

StartupOptions CStartupWords::Parse(const QStringList &arguments)
{
    StartupOptions options;
    for (const QString &argument : arguments) {
        if (!argument.startsWith(u'/') && !argument.startsWith(u'-'))
            continue;
        const QStringView text = QStringView(argument).mid(1);
        for (const Word &word : Words) {
            const QStringView name(word.word);
            if (!BeginsWith(text, name))
                continue;
            word.apply(options, text.mid(name.size()).toString());
            break;
        }
    }
    if (options.logoffMode && !options.iniName)
        options.iniName = QStringLiteral("mirror");
    return options;
}
