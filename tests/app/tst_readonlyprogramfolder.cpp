// An installed program lies in a folder its users cannot write, so the INI file cannot lie beside
// it. These cases need a folder that only its permissions close, which root would write all the
// same: run as root, the test forks, gives up root for the user "nobody" and runs itself again.

#include "app/OrvaneApp.h"
#include "config/Configuration.h"
#include "platform/ProgramFiles.h"
#include "platform/RegistryDatabase.h"

#include "ConfigTestSupport.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::ReadFile;

namespace {

const char *const WhyNotRun = "ORVANE_TEST_NOT_AS_USER";

// The program's folder and the user's configuration folder, both temporary.
class Workspace {
public:
    Workspace() : m_program(qgetenv("ORVANE_PROGRAM_DIR")), m_config(qgetenv("XDG_CONFIG_HOME"))
    {
        QDir().mkpath(Path("program"));
        qputenv("ORVANE_PROGRAM_DIR", QFile::encodeName(Path("program")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(Path("xdg")));
    }
    ~Workspace()
    {
        Open();
        qputenv("ORVANE_PROGRAM_DIR", m_program);
        qputenv("XDG_CONFIG_HOME", m_config);
    }

    QString Path(const QString &name) const { return m_dir.filePath(name); }
    QString Ini(const QString &name) const { return Path("program/" + name + ".ini"); }
    QString Registry() const { return CRegistryDatabase::DefaultPath(); }

    // What the user had: the settings in the user database (choice and a project of their own),
    // or in test.ini beside the program.
    void WriteConfiguration(bool useRegistry)
    {
        AppFlags flags;
        ScriptedPresenter none;
        CConfiguration config(flags, none, Registry());
        config.Store().SetIniPath(Ini("test"));
        config.Store().SetUseRegistry(useRegistry);
        config.LoadGlobalSettings();
        config.Projects().RenameProject(0, "mine");
        QVERIFY(config.SaveGlobalSettings());
    }

    // The program's folder as an installed program's: no new file for this user.
    void Close() { QVERIFY(QFile::setPermissions(Path("program"), QFile::ReadOwner | QFile::ExeOwner)); }
    void Open() { QFile::setPermissions(Path("program"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); }

    // Every file with its content: what must not change.
    QMap<QString, QByteArray> Snapshot() const
    {
        QMap<QString, QByteArray> files;
        for (QDirIterator it(m_dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
            const QString path = it.next();
            if (!path.endsWith(".lock") && !path.endsWith("/instance"))
                files[QDir(m_dir.path()).relativeFilePath(path)] = ReadFile(path);
        }
        return files;
    }

    std::unique_ptr<COrvaneApp> App()
    {
        COrvaneApp::Setup setup;
        setup.boxes = &boxes;
        setup.trayAvailable = [] { return true; };
        setup.instanceName = Path("instance");
        return std::make_unique<COrvaneApp>(setup);
    }

    ScriptedPresenter boxes;

private:
    QTemporaryDir m_dir;
    QByteArray m_program;
    QByteArray m_config;
};

struct CliOutcome {
    int code = -1;
    QString err;
};

CliOutcome RunCli(const QStringList &arguments)
{
    QProcess cli;
    cli.start(QStringLiteral(ORVANE_CLI_PATH), arguments);
    cli.waitForFinished(60000);
    return {cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1, QString::fromUtf8(cli.readAllStandardError())};
}

} // namespace

class TestReadOnlyProgramFolder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void iniWriteError_data();
    void iniWriteError();
    void startKeepsWhatTheUserHad_data();
    void startKeepsWhatTheUserHad();
    void firstStartMovesToTheUserDatabase();
    void cliSaysTheFolderIsClosed();
};

void TestReadOnlyProgramFolder::init()
{
    if (qEnvironmentVariableIsSet(WhyNotRun))
        QSKIP(qPrintable(qEnvironmentVariable(WhyNotRun)));
    QVERIFY2(::geteuid() != 0, "these cases must run as an ordinary user");
}

void TestReadOnlyProgramFolder::iniWriteError_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<bool>("fileWritable");
    QTest::addColumn<bool>("folderClosed");
    QTest::addColumn<int>("error");
    QTest::newRow("a portable copy") << false << false << false << 0;
    QTest::newRow("a portable copy with a read-only file: replaced as a whole") << true << false << false << 0;
    QTest::newRow("an installed program") << false << false << true << EACCES;
    QTest::newRow("an installed program with a read-only file") << true << false << true << EACCES;
    QTest::newRow("a writable file in a closed folder: rewritten in place") << true << true << true << 0;
}

void TestReadOnlyProgramFolder::iniWriteError()
{
    QFETCH(bool, fileExists);
    QFETCH(bool, fileWritable);
    QFETCH(bool, folderClosed);
    Workspace w;
    if (fileExists) {
        QVERIFY(testsupport::WriteFile(w.Ini("orvane"), IniBytes("[Save]\r\nSaveRegistory=0\r\n")));
        if (!fileWritable)
            QVERIFY(QFile::setPermissions(w.Ini("orvane"), QFile::ReadOwner));
    }
    if (folderClosed) {
        w.Close();
        QCOMPARE(FolderCreationError(w.Path("program")), EACCES);
    }
    ScriptedPresenter boxes;
    CSettingsStore store(boxes, w.Registry());
    store.SetIniPath(w.Ini("orvane"));
    QTEST(store.IniWriteError(), "error");
    QVERIFY(boxes.boxes.empty());
}

enum class UserHad { Nothing, Registry, IniChoice };

void TestReadOnlyProgramFolder::startKeepsWhatTheUserHad_data()
{
    QTest::addColumn<UserHad>("had");
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QList<MessageAnswer>>("answers");
    QTest::addColumn<MessageIcon>("icon");
    using A = MessageAnswer;
    QTest::newRow("/ini=") << UserHad::Registry << QStringList{"-ini=test"} << QList<A>{} << MessageIcon::Error;
    QTest::newRow("/logoff") << UserHad::Registry << QStringList{"/logoff"} << QList<A>{} << MessageIcon::Error;
    QTest::newRow("/logoff /ini=") << UserHad::Registry << QStringList{"/logoff", "/ini=test"} << QList<A>{}
                                   << MessageIcon::Error;
    // Left by a start with /ini= elsewhere, or by a portable copy: the database says INI file.
    QTest::newRow("the stored choice of the INI file, kept") << UserHad::IniChoice << QStringList{} << QList{A::No}
                                                             << MessageIcon::Warning;
    QTest::newRow("first start, No, then neither") << UserHad::Nothing << QStringList{} << QList{A::No, A::No}
                                                  << MessageIcon::Warning;
}

// A start that cannot keep its settings ends before it has loaded anything, says why, and
// leaves every file as it was: no later save turns the user's stored choice to an INI file that
// cannot exist.
void TestReadOnlyProgramFolder::startKeepsWhatTheUserHad()
{
    QFETCH(UserHad, had);
    QFETCH(QStringList, words);
    QFETCH(QList<MessageAnswer>, answers);
    QFETCH(MessageIcon, icon);
    Workspace w;
    if (had == UserHad::Registry) {
        w.WriteConfiguration(true);
    } else if (had == UserHad::IniChoice) {
        CRegistryDatabase db(w.Registry());
        QVERIFY(db.WriteDword(CSettingsStore::RegistryRoot() + "\\Save", "SaveRegistory", 0));
    }
    w.Close();
    const QMap<QString, QByteArray> before = w.Snapshot();
    w.boxes.answers.assign(answers.begin(), answers.end());

    auto app = w.App();
    QCOMPARE(app->Start(QStringList{"orvane"} + words), std::optional<int>(COrvaneApp::ExitIniNotWritable));
    QVERIFY(!app->Frame());
    app->End();
    app.reset();

    QCOMPARE(w.boxes.boxes.size(), size_t(std::max<qsizetype>(answers.size(), 1)));
    const MessageBoxRequest &box = w.boxes.boxes.back();
    QCOMPARE(box.icon, icon);
    QVERIFY2(box.text.contains(u"フォルダ %1 に書き込めません"_qs.arg(w.Path("program"))), qPrintable(box.text));
    QVERIFY2(box.text.contains(w.Registry()), qPrintable(box.text));
    QCOMPARE(w.Snapshot(), before);
}

void TestReadOnlyProgramFolder::firstStartMovesToTheUserDatabase()
{
    Workspace w;
    w.Close();
    w.boxes.answers = {MessageAnswer::No, MessageAnswer::Yes};
    auto app = w.App();
    QCOMPARE(app->Start({"orvane"}), std::nullopt);
    QVERIFY(app->Configuration()->Store().UseRegistry());
    app->End();
    app.reset();
    QCOMPARE(w.boxes.boxes.size(), size_t(2));
    QCOMPARE(QDir(w.Path("program")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    CRegistryDatabase db(w.Registry());
    QCOMPARE(ReadRegistryDword(db, CSettingsStore::RegistryRoot() + "\\Save", "SaveRegistory", -1), 1);
    // The next start asks nothing.
    auto next = w.App();
    QCOMPARE(next->Start({"orvane"}), std::nullopt);
    QCOMPARE(w.boxes.boxes.size(), size_t(2));
    next->End();
}

void TestReadOnlyProgramFolder::cliSaysTheFolderIsClosed()
{
    Workspace w;
    w.WriteConfiguration(false);
    w.Close();
    const QMap<QString, QByteArray> before = w.Snapshot();
    // Reading needs no lock.
    QCOMPARE(RunCli({"list", "--ini=test"}).code, 0);
    const CliOutcome run = RunCli({"run", "--ini=test"});
    QCOMPARE(run.code, 73);
    QVERIFY2(run.err.contains(w.Path("program")) && run.err.contains(u"ポータブル版"_qs), qPrintable(run.err));
    QCOMPARE(w.Snapshot(), before);
}

namespace {

// Runs this test again as the user "nobody"; the child's exit code, or none with the reason
// why it could not be done.
std::optional<int> RunAsOrdinaryUser(char *argv[], QByteArray &why)
{
    const struct passwd *user = ::getpwnam("nobody");
    if (!user) {
        why = "no user \"nobody\" to run as";
        return std::nullopt;
    }
    const uid_t uid = user->pw_uid;
    const gid_t gid = user->pw_gid;
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        why = "no pipe";
        return std::nullopt;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(report[0]);
        // Root's runtime folder is no place for another user.
        ::unsetenv("XDG_RUNTIME_DIR");
        int error = 0;
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
            error = errno;
        else
            ::execv("/proc/self/exe", argv);
        if (error == 0)
            error = errno;
        (void)!::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(report[1]);
    int error = 0;
    const bool failed = pid < 0 || ::read(report[0], &error, sizeof error) == sizeof error;
    ::close(report[0]);
    int status = 0;
    if (pid > 0)
        ::waitpid(pid, &status, 0);
    if (failed) {
        why = "cannot run as \"nobody\" (" + QByteArray(std::strerror(pid < 0 ? errno : error))
              + "): the test binary must be reachable by that user";
        return std::nullopt;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

int main(int argc, char *argv[])
{
    if (::geteuid() == 0) {
        QByteArray why;
        if (const std::optional<int> code = RunAsOrdinaryUser(argv, why))
            return *code;
        qputenv(WhyNotRun, "run as root and " + why);
    }
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    TestReadOnlyProgramFolder test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_readonlyprogramfolder.moc"
