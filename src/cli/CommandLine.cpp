#include "cli/CommandLine.h"

#include "model/FolderSettingField.h"

#include <QDir>
#include <QRegularExpression>

#include <array>
#include <limits>

namespace {

using Command = CliOptions::Command;

enum CommandBit { RunBit = 1, MirrorBit = 2, ListBit = 4 };

int BitOf(Command command)
{
    switch (command) {
    case Command::Run: return RunBit;
    case Command::Mirror: return MirrorBit;
    case Command::List: return ListBit;
    case Command::Help: break;
    }
    return 0;
}

// An option's handler takes the value (empty for a switch) and answers an error text.
using Handler = QString (*)(CliOptions &, const QString &);

struct OptionSpec {
    const char *name;       // without the leading "--"
    char shortName;         // 0: none
    bool takesValue;
    int commands;           // CommandBit mask of the commands that accept it
    Handler handle;
};

QString Mistake(const QString &japanese, const QString &english)
{
    return japanese + QStringLiteral(" / ") + english;
}

// A decimal number in [low, high], nothing else around it.
std::optional<qint64> StrictNumber(const QString &text, qint64 low, qint64 high)
{
    static const QRegularExpression form(QStringLiteral("^-?[0-9]{1,20}$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

QString TakeCounted(const QString &option, const QString &value, int &out)
{
    const std::optional<qint64> n = StrictNumber(value, 1, 1000);
    if (!n)
        return Mistake(QStringLiteral("--%1 には 1 から 1000 までの数を指定してください: %2").arg(option, value),
                       QStringLiteral("--%1 needs a number from 1 to 1000: %2").arg(option, value));
    out = int(*n) - 1;
    return {};
}

const std::array<OptionSpec, 9> Options{{
    {"help", 'h', false, RunBit | MirrorBit | ListBit, [](CliOptions &o, const QString &) {
         o.command = Command::Help;
         return QString();
     }},
    {"ini", 0, true, RunBit | ListBit, [](CliOptions &o, const QString &v) {
         if (v.isEmpty())
             return Mistake(QStringLiteral("--ini には名前が必要です"), QStringLiteral("--ini needs a name"));
         o.ini = v;
         return QString();
     }},
    {"project", 0, true, RunBit | ListBit, [](CliOptions &o, const QString &v) {
         int p = 0;
         QString error = TakeCounted(QStringLiteral("project"), v, p);
         if (error.isEmpty())
             o.project = p;
         return error;
     }},
    {"setting", 0, true, RunBit, [](CliOptions &o, const QString &v) {
         int i = 0;
         QString error = TakeCounted(QStringLiteral("setting"), v, i);
         if (error.isEmpty())
             o.settings << i;
         return error;
     }},
    {"test", 0, false, RunBit | MirrorBit, [](CliOptions &o, const QString &) {
         o.test = true;
         return QString();
     }},
    {"auto", 0, false, RunBit, [](CliOptions &o, const QString &) {
         o.autoMode = true;
         return QString();
     }},
    {"set", 0, true, MirrorBit, [](CliOptions &o, const QString &v) {
         return CCommandLine::ApplySetting(o.adHoc, v);
     }},
    {"quiet", 'q', false, RunBit | MirrorBit, [](CliOptions &o, const QString &) {
         o.quiet = true;
         return QString();
     }},
    {"interactive", 0, false, RunBit | MirrorBit, [](CliOptions &o, const QString &) {
         o.interactive = true;
         return QString();
     }},
}};

const OptionSpec *FindOption(const QString &argument, QString &name, std::optional<QString> &inlineValue)
{
    if (argument.size() == 2 && argument[0] == u'-' && argument[1] != u'-') {
        name = argument.mid(1);
        for (const OptionSpec &spec : Options) {
            if (spec.shortName != 0 && argument[1] == QChar::fromLatin1(spec.shortName))
                return &spec;
        }
        return nullptr;
    }
    const qsizetype equals = argument.indexOf(u'=');
    name = argument.mid(2, equals < 0 ? -1 : equals - 2);
    if (equals >= 0)
        inlineValue = argument.mid(equals + 1);
    for (const OptionSpec &spec : Options) {
        if (name == QLatin1String(spec.name))
            return &spec;
    }
    return nullptr;
}

std::optional<Command> CommandNamed(const QString &word)
{
    if (word == QLatin1String("run"))
        return Command::Run;
    if (word == QLatin1String("mirror"))
        return Command::Mirror;
    if (word == QLatin1String("list"))
        return Command::List;
    if (word == QLatin1String("help"))
        return Command::Help;
    return std::nullopt;
}

bool IsOption(const QString &argument)
{
    return argument.size() > 1 && argument[0] == u'-';
}

QString CheckField(const FolderSettingField &field, const QString &value)
{
    using Kind = FolderSettingField::Kind;
    static const QRegularExpression sizeForm(QStringLiteral("^([0-9]{1,10})(KB|MB|GB|TB)?$"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QString key = field.Key().toString();
    switch (field.FieldKind()) {
    case Kind::Flag:
        if (value == u"0" || value == u"1")
            return {};
        return Mistake(QStringLiteral("%1 は 0 か 1 です: %2").arg(key, value),
                       QStringLiteral("%1 takes 0 or 1: %2").arg(key, value));
    case Kind::Integer:
        if (StrictNumber(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()))
            return {};
        return Mistake(QStringLiteral("%1 は 32 ビットの整数です: %2").arg(key, value),
                       QStringLiteral("%1 takes a 32-bit integer: %2").arg(key, value));
    case Kind::Time:
        if (!value.startsWith(u'-') && StrictNumber(value, 0, std::numeric_limits<quint32>::max()))
            return {};
        return Mistake(QStringLiteral("%1 は 1970 年からの秒数 (0 から 4294967295) です: %2").arg(key, value),
                       QStringLiteral("%1 takes seconds since 1970, 0 to 4294967295: %2").arg(key, value));
    case Kind::SizeThreshold: {
        const QRegularExpressionMatch match = sizeForm.match(value);
        if (match.hasMatch() && match.captured(1).toLongLong() <= std::numeric_limits<qint32>::max())
            return {};
        return Mistake(QStringLiteral("%1 は数と単位 (なし, KB, MB, GB, TB) です: %2").arg(key, value),
                       QStringLiteral("%1 takes a number and a unit (none, KB, MB, GB, TB): %2").arg(key, value));
    }
    case Kind::Text:
        break;
    }
    return {};
}

} // namespace

QString CCommandLine::ApplySetting(CFolderSetting &record, const QString &assignment)
{
    const qsizetype equals = assignment.indexOf(u'=');
    if (equals <= 0)
        return Mistake(QStringLiteral("--set には キー=値 を指定してください: %1").arg(assignment),
                       QStringLiteral("--set needs Key=Value: %1").arg(assignment));
    const QString key = assignment.left(equals);
    const QString value = assignment.mid(equals + 1);
    const FolderSettingField *field = FolderSettingField::Find(key);
    if (!field)
        return Mistake(QStringLiteral("不明なキーです: %1").arg(key), QStringLiteral("unknown key: %1").arg(key));
    QString error = CheckField(*field, value);
    if (!error.isEmpty())
        return error;
    if (field->IsStoredAsText())
        field->SetFromStoredText(record, value);
    else
        field->SetFromStoredInteger(record, qint32(quint32(value.toLongLong())));
    return {};
}

CCommandLine::Result CCommandLine::Parse(const QStringList &arguments)
{
    Result result;
    CliOptions &options = result.options;
    // --help wins over everything else, wherever it stands.
    for (const QString &argument : arguments) {
        if (argument == u"--")
            break;
        if (argument == u"--help" || argument == u"-h")
            return result;
    }

    std::optional<Command> command;
    QStringList positional;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (optionsEnded || !IsOption(argument)) {
            if (!command) {
                command = CommandNamed(argument);
                if (!command) {
                    result.error = Mistake(QStringLiteral("不明なコマンドです: %1").arg(argument),
                                           QStringLiteral("unknown command: %1").arg(argument));
                    return result;
                }
            } else {
                positional << argument;
            }
            continue;
        }
        if (argument == u"--") {
            optionsEnded = true;
            continue;
        }
        QString name;
        std::optional<QString> value;
        const OptionSpec *spec = FindOption(argument, name, value);
        if (!spec) {
            result.error = Mistake(QStringLiteral("不明なオプションです: %1").arg(argument),
                                   QStringLiteral("unknown option: %1").arg(argument));
            return result;
        }
        if (!command) {
            result.error = Mistake(QStringLiteral("オプション %1 の前にコマンド (run, mirror, list) が必要です").arg(argument),
                                   QStringLiteral("a command (run, mirror, list) must come before %1").arg(argument));
            return result;
        }
        if ((spec->commands & BitOf(*command)) == 0) {
            result.error = Mistake(QStringLiteral("--%1 はこのコマンドでは使えません: %2").arg(QLatin1String(spec->name), arguments[0]),
                                   QStringLiteral("--%1 does not apply to the command %2").arg(QLatin1String(spec->name), arguments[0]));
            return result;
        }
        if (spec->takesValue && !value) {
            if (i + 1 >= arguments.size()) {
                result.error = Mistake(QStringLiteral("--%1 には値が必要です").arg(QLatin1String(spec->name)),
                                       QStringLiteral("--%1 needs a value").arg(QLatin1String(spec->name)));
                return result;
            }
            value = arguments[++i];
        } else if (!spec->takesValue && value) {
            result.error = Mistake(QStringLiteral("--%1 は値を取りません").arg(QLatin1String(spec->name)),
                                   QStringLiteral("--%1 takes no value").arg(QLatin1String(spec->name)));
            return result;
        }
        result.error = spec->handle(options, value.value_or(QString()));
        if (!result.error.isEmpty())
            return result;
    }

    if (!command) {
        result.error = Mistake(QStringLiteral("コマンドがありません"), QStringLiteral("no command given"));
        return result;
    }
    options.command = *command;
    const qsizetype wanted = *command == Command::Mirror ? 2 : 0;
    if (*command != Command::Help && positional.size() != wanted) {
        result.error = *command == Command::Mirror
            ? Mistake(QStringLiteral("mirror にはマスターフォルダとバックアップフォルダが必要です"),
                      QStringLiteral("mirror needs a master folder and a backup folder"))
            : Mistake(QStringLiteral("余分な引数です: %1").arg(positional.value(0)),
                      QStringLiteral("unexpected argument: %1").arg(positional.value(0)));
        return result;
    }
    if (*command == Command::Mirror) {
        // Folders named on the command line mean what the shell's current folder makes of them.
        const auto absolute = [](const QString &path) {
            return QDir::isRelativePath(path) ? QDir::current().filePath(path) : path;
        };
        options.adHoc.Master = absolute(positional[0]);
        options.adHoc.Backup = absolute(positional[1]);
    }
    return result;
}

QString CCommandLine::HelpText()
{
    return QStringLiteral(
        u"使い方 / Usage:\n"
        u"  orvane-cli run [--ini=NAME] [--project=N] [--setting=I]... [--test] [--auto]\n"
        u"                 [--quiet] [--interactive]\n"
        u"  orvane-cli mirror MASTER BACKUP [--test] [--set Key=Value]... [--quiet] [--interactive]\n"
        u"  orvane-cli list [--ini=NAME] [--project=N]\n"
        u"  orvane-cli --help\n"
        u"\n"
        u"コマンド / Commands:\n"
        u"  run     保存された設定のプロジェクトを実行します。--setting がなければ自動実行の\n"
        u"          フォルダ設定をすべて (全更新 / 全テスト)、あれば指定した設定を順に 1 つずつ\n"
        u"          (更新 / テスト) 実行し、設定ごとに最終実行結果を保存します。\n"
        u"          Runs a project of the stored configuration: without --setting every folder\n"
        u"          setting marked for automatic backup, with it the listed settings one run\n"
        u"          each, in the given order; the last result is saved after each setting.\n"
        u"  mirror  MASTER を BACKUP へバックアップします。新しいフォルダ設定の値に --set を\n"
        u"          加えた一時的な設定で、何も保存しません。\n"
        u"          Backs MASTER up into BACKUP with an ad-hoc folder setting: the values of a\n"
        u"          new setting changed by --set; nothing is stored.\n"
        u"  list    プロジェクトの一覧、または --project のフォルダ設定の一覧を表示します。\n"
        u"          Lists the projects, or with --project the folder settings of one project\n"
        u"          (number, automatic mark, name, master, backup, last result).\n"
        u"\n"
        u"オプション / Options:\n"
        u"  --ini=NAME       プログラムのフォルダの NAME.ini を使います。\n"
        u"                   Uses NAME.ini in the program's folder (the INI back-end).\n"
        u"  --project=N      N 番目のプロジェクト (1 から)。省略時は前回のプロジェクト。\n"
        u"                   Project N, counting from 1; default: the active project.\n"
        u"  --setting=I      I 番目のフォルダ設定 (1 から)。繰り返し指定できます。\n"
        u"                   Folder setting I, counting from 1; may be repeated.\n"
        u"  --test           テスト実行: 何も変更せず、ログも書きません。\n"
        u"                   Test run: reports every operation, changes nothing, writes no log.\n"
        u"  --auto           自動実行 (/auto) と同じくスケジュールに従います。\n"
        u"                   Applies each setting's schedule, as an unattended start does.\n"
        u"  --set Key=Value  フォルダ設定の項目を保存時のキー名と形式で指定します。\n"
        u"                   例: --set TargetFile=*.txt --set TargetType=0\n"
        u"                       --set TargetFileSize=500MB --set LeaveTime=2\n"
        u"                   Sets a field of the folder setting by its stored key and form:\n"
        u"                   flags 0 or 1, 32-bit integers, times as seconds since 1970,\n"
        u"                   TargetFileSize as a number with KB, MB, GB or TB, texts as given.\n"
        u"  -q, --quiet      エラー以外は何も表示しません。\n"
        u"                   Prints nothing but errors.\n"
        u"  --interactive    端末で質問に答えます (中止/再試行/無視、削除の確認)。\n"
        u"                   Asks on the terminal instead of taking the unattended answers\n"
        u"                   (Abort/Retry/Ignore, the delete confirmation).\n"
        u"  -h, --help       この説明を表示します。 Shows this text.\n"
        u"\n"
        u"出力 / Output:\n"
        u"  標準出力に処理結果を 1 行ずつタブ区切りで出力します (処理, ファイル名, マスター側,\n"
        u"  バックアップ側, サイズ)。端末では標準エラーに状況と進行状況を表示します。\n"
        u"  One report row per line on standard output, tab-separated (operation, name,\n"
        u"  master time, backup time, size); status and progress on standard error when it\n"
        u"  is a terminal.\n"
        u"\n"
        u"終了コード / Exit status:\n"
        u"  0-4  実行の結果コード / the run's result code (0: no error)\n"
        u"  64   引数の誤り / usage error\n"
        u"  73   設定のロックファイルを作れない (フォルダに書き込めない)\n"
        u"       the configuration's lock file cannot be made (its folder is not writable)\n"
        u"  74   出力または実行結果を書き込めなかった / output or the run's results could not be written\n"
        u"  75   設定は別のプログラムが使用中 / the configuration is in use by another program\n"
        u"  78   設定がありません / no stored configuration\n"
        u"\n"
        u"環境変数 / Environment:\n"
        u"  ORVANE_PROGRAM_DIR  INI ファイルを探すフォルダ (既定: プログラムのフォルダ)。\n"
        u"                      Folder of the INI files (default: the program's folder).\n");
}
