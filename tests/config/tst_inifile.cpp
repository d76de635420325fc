#include "config/IniFile.h"

#include "ConfigTestSupport.h"
#include "TestSupport.h"

#include <QFileInfo>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

// Follows what a writer does in a folder: events of one kind on files whose names begin with
// a prefix.
class WriterEvents {
public:
    WriterEvents(const QString &folder, quint32 mask, const QString &prefix)
        : m_fd(::inotify_init1(IN_CLOEXEC)), m_mask(mask), m_prefix(QFile::encodeName(prefix))
    {
        if (m_fd >= 0 && ::inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), mask) < 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~WriterEvents()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool valid() const { return m_fd >= 0; }

    // Returns once count such events happened; false when none came for half a minute.
    bool Await(int count)
    {
        alignas(struct inotify_event) char buffer[65536];
        while (count > 0) {
            struct pollfd ready = {m_fd, POLLIN, 0};
            if (::poll(&ready, 1, 30000) != 1)
                return false;
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got <= 0)
                return false;
            for (ssize_t at = 0; at < got && count > 0;) {
                const auto *event = reinterpret_cast<const struct inotify_event *>(buffer + at);
                if ((event->mask & m_mask) && event->len > 0 && QByteArray(event->name).startsWith(m_prefix))
                    --count;
                at += ssize_t(sizeof(struct inotify_event) + event->len);
            }
        }
        return true;
    }

private:
    int m_fd;
    quint32 m_mask;
    QByteArray m_prefix;
};

} // namespace

class TestIniFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void writesTheExactBytesOfAKnownSequence();
    void namesAreComparedWithoutRegardToCase();
    void valuesAreReadVerbatim_data();
    void valuesAreReadVerbatim();
    void lineBreaksInAValueCannotStartNewLines();
    void removingTheLastSectionAndKeys();
    void newKeyGoesBeforeTrailingBlankLines();

    void decodesEveryEncoding_data();
    void decodesEveryEncoding();
    void toleratesLinesItCannotUse_data();
    void toleratesLinesItCannotUse();
    void keepsLinesItDoesNotUnderstandWhenRewriting();
    void firstOfDuplicateSectionsAndKeysCounts();

    void batchWritesOnceAtTheEnd();
    void writeOutsideBatchIsOnDiskAtOnce();
    void readsAgainAfterAnotherWriter();
    void readsAgainAfterAnEditInPlace_data();
    void readsAgainAfterAnEditInPlace();
    void clearLeavesTheByteOrderMarkAlone();
    void keepsPermissionsAndSymbolicLinks();
    void rewritesInPlaceWhenTheFolderRefusesNewFiles();
    void failsCleanlyWhenNothingCanBeWritten();
    void killedWriterLeavesOldOrNewFileNeverATornOne_data();
    void killedWriterLeavesOldOrNewFileNeverATornOne();
    void neverReplacesAFileItCouldNotRead_data();
    void neverReplacesAFileItCouldNotRead();

private:
    QString path() const { return m_dir.filePath(QStringLiteral("test.ini")); }
    QTemporaryDir m_dir;
};

void TestIniFile::init()
{
    QFile::remove(path());
}

void TestIniFile::writesTheExactBytesOfAKnownSequence()
{
    {
        CIniFile ini(path());
        QCOMPARE(ini.SetValue("Save", "SaveRegistory", "0"), 0);
        ini.SetValue("Options", "ActiveProject", "0");
        ini.SetValue("Options", "ProjectCount", "32");
        ini.SetValue("save", "saveregistory", "1");   // replaced where it stands, first spelling kept
        ini.SetValue("Define 0", "Name", u"日本語\tA=B;C"_qs);
        ini.SetValue("Options", "DivideY", "192");
        ini.RemoveKey("OPTIONS", "activeproject");
        ini.SetValue("Gone", "X", "1");
        ini.RemoveSection("gone");
        ini.SetValue("Define 0", "Master", "");
        ini.SetValue("Project\\001\\", "ProjectName", "P1");
    }
    const QString expected = u"[Save]\r\nSaveRegistory=1\r\n"
                             u"[Options]\r\nProjectCount=32\r\nDivideY=192\r\n"
                             u"[Define 0]\r\nName=日本語\tA=B;C\r\nMaster=\r\n"
                             u"[Project\\001\\]\r\nProjectName=P1\r\n"_qs;
    QCOMPARE(ReadFile(path()), IniBytes(expected));

    CIniFile again(path());
    QCOMPARE(again.Value("Define 0", "Name"), std::optional(u"日本語\tA=B;C"_qs));
    QCOMPARE(again.Value("Define 0", "Master"), std::optional(QString()));
    QCOMPARE(again.Value("Options", "ActiveProject"), std::nullopt);
    QCOMPARE(again.Value("Gone", "X"), std::nullopt);
}

void TestIniFile::namesAreComparedWithoutRegardToCase()
{
    CIniFile ini(path());
    ini.SetValue(u"Ärger Section"_qs, "Key", "1");
    QCOMPARE(ini.Value(u"äRGER section"_qs, "KEY"), std::optional(QStringLiteral("1")));
    ini.SetValue("PROJECT\\001\\DEFINE 0", "name", "x");
    QCOMPARE(ini.Value("project\\001\\define 0", "Name"), std::optional(QStringLiteral("x")));
    QCOMPARE(ReadFile(path()).count(QByteArray("[\0", 2)), 2);
}

void TestIniFile::valuesAreReadVerbatim_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    QTest::newRow("plain") << "k=v" << "k" << "v";
    QTest::newRow("blanks around the key") << " \tk \t=v" << "k" << "v";
    QTest::newRow("blanks in the value stay") << "k= v \t" << "k" << " v \t";
    QTest::newRow("second equals sign belongs to the value") << "k=a=b" << "k" << "a=b";
    QTest::newRow("semicolon in the value") << "k=a;b" << "k" << "a;b";
    QTest::newRow("empty value") << "k=" << "k" << "";
    QTest::newRow("quotes stay") << "k=\"q\"" << "k" << "\"q\"";
}

void TestIniFile::valuesAreReadVerbatim()
{
    QFETCH(QString, line);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QVERIFY(WriteFile(path(), IniBytes("[S]\r\n" + line + "\r\n")));
    CIniFile ini(path());
    QCOMPARE(ini.Value("S", key), std::optional(value));
}

void TestIniFile::lineBreaksInAValueCannotStartNewLines()
{
    CIniFile ini(path());
    ini.SetValue("S", "Name", "a\r\n[Options]\nActiveProject=5\rz");
    ini.SetValue("S", "Next", "1");
    CIniFile again(path());
    QCOMPARE(again.Value("S", "Name"), std::optional(QStringLiteral("a  [Options] ActiveProject=5 z")));
    QCOMPARE(again.Value("Options", "ActiveProject"), std::nullopt);
    QCOMPARE(again.Value("S", "Next"), std::optional(QStringLiteral("1")));
}

void TestIniFile::removingTheLastSectionAndKeys()
{
    CIniFile ini(path());
    ini.SetValue("A", "k", "1");
    ini.SetValue("B", "k", "2");
    ini.RemoveKey("A", "k");
    ini.RemoveSection("B");
    ini.RemoveSection("Missing");
    ini.RemoveKey("Missing", "k");
    // A section whose last key went keeps its header; a deleted one leaves nothing.
    QCOMPARE(ReadFile(path()), IniBytes("[A]\r\n"));
    ini.SetValue("B", "k", "3");
    QCOMPARE(ReadFile(path()), IniBytes("[A]\r\n[B]\r\nk=3\r\n"));
}

void TestIniFile::newKeyGoesBeforeTrailingBlankLines()
{
    QVERIFY(WriteFile(path(), IniBytes("[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n")));
    CIniFile ini(path());
    ini.SetValue("a", "c", "3");
    QCOMPARE(ReadFile(path()), IniBytes("[A]\r\na=1\r\nc=3\r\n\r\n[B]\r\nb=2\r\n"));
}

void TestIniFile::decodesEveryEncoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("UTF-16LE") << IniBytes(u"k=日本"_qs) << u"k=日本"_qs;
    QTest::newRow("UTF-16LE, odd last byte dropped") << IniBytes(u"k=日本"_qs) + 'x' << u"k=日本"_qs;
    QTest::newRow("UTF-16BE") << QByteArray("\xFE\xFF\x00k\x00=\x65\xE5", 8) << u"k=日"_qs;
    QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBFk=\xE6\x97\xA5") << u"k=日"_qs;
    QTest::newRow("UTF-8") << QByteArray("k=\xE6\x97\xA5\xE6\x9C\xAC") << u"k=日本"_qs;
    QTest::newRow("ASCII") << QByteArray("k=C:\\Tools") << u"k=C:\\Tools"_qs;
    // 表 is 95 5C: its second byte is a backslash.
    QTest::newRow("CP932") << QByteArray("k=\x93\xFA\x96\x7B C:\\\x95\x5C") << u"k=日本 C:\\表"_qs;
    QTest::newRow("CP932 half-width katakana") << QByteArray("k=\xB1\xB2") << u"k=ｱｲ"_qs;
    QTest::newRow("CP932 with a byte that has no character") << QByteArray("k=\x93\xFA\xFF!") << u"k=日\uFFFD!"_qs;
    QTest::newRow("CP932 cut in the middle of a character") << QByteArray("k=\x93") << u"k=\uFFFD"_qs;
    QTest::newRow("one byte") << QByteArray("\xFF") << u"\uFFFD"_qs;
    QTest::newRow("nothing") << QByteArray() << QString();
}

void TestIniFile::decodesEveryEncoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(CIniFile::DecodeText(bytes), text);
}

void TestIniFile::toleratesLinesItCannotUse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    const QByteArray lf = IniBytes("[S]\nk=lf\n");
    QTest::newRow("LF line ends") << lf << "S" << "k" << "lf";
    QTest::newRow("CR line ends") << IniBytes("[S]\rk=cr\r") << "S" << "k" << "cr";
    QTest::newRow("no line end at the end") << IniBytes("[S]\r\nk=end") << "S" << "k" << "end";
    QTest::newRow("line without equals sign") << IniBytes("[S]\r\ngarbage\r\nk=1\r\n") << "S" << "k" << "1";
    QTest::newRow("section without bracket is no section") << IniBytes("[S]\r\n[T\r\nk=2\r\n") << "S" << "k" << "2";
    QTest::newRow("header with text after it") << IniBytes("[S] ; note\r\nk=3\r\n") << "S" << "k" << "3";
    QTest::newRow("comment line") << IniBytes("[S]\r\n;k=no\r\nk=4\r\n") << "S" << "k" << "4";
    QTest::newRow("entry before any section") << IniBytes("k=0\r\n[S]\r\nk=5\r\n") << "S" << "k" << "5";
    QTest::newRow("key without name") << IniBytes("[S]\r\n=x\r\nk=6\r\n") << "S" << "k" << "6";
    QTest::newRow("zero code units") << IniBytes(QString("[S]\r\nk=a") + QChar(0) + "b\r\n") << "S" << "k"
                                     << QString("a") + QChar(0) + "b";
    QTest::newRow("lone surrogate") << IniBytes(QString("[S]\r\nk=") + QChar(0xD800) + "\r\n") << "S" << "k"
                                    << QString(QChar(0xD800));
    QTest::newRow("no mark, UTF-8") << QByteArray("[S]\r\nk=7\r\n") << "S" << "k" << "7";
}

void TestIniFile::toleratesLinesItCannotUse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QVERIFY(WriteFile(path(), bytes));
    CIniFile ini(path());
    QCOMPARE(ini.Value(section, key), std::optional(value));
    // Writing something else keeps the value that could be read.
    ini.SetValue("Other", "x", "1");
    CIniFile again(path());
    QCOMPARE(again.Value(section, key), std::optional(value));
}

void TestIniFile::keepsLinesItDoesNotUnderstandWhenRewriting()
{
    const QString original = "; comment\r\nstray=1\r\n[S]\r\ngarbage line\r\n[broken\r\nk=1\r\n\r\n";
    QVERIFY(WriteFile(path(), IniBytes(original)));
    CIniFile ini(path());
    ini.SetValue("S", "k", "2");
    QCOMPARE(ReadFile(path()), IniBytes("; comment\r\nstray=1\r\n[S]\r\ngarbage line\r\n[broken\r\nk=2\r\n\r\n"));
}

void TestIniFile::firstOfDuplicateSectionsAndKeysCounts()
{
    QVERIFY(WriteFile(path(), IniBytes("[S]\r\nk=1\r\nk=2\r\n[s]\r\nk=3\r\nonly=4\r\n")));
    CIniFile ini(path());
    QCOMPARE(ini.Value("S", "k"), std::optional(QStringLiteral("1")));
    QCOMPARE(ini.Value("S", "only"), std::nullopt);
    ini.RemoveKey("S", "k");
    QCOMPARE(ini.Value("S", "k"), std::optional(QStringLiteral("2")));
    ini.RemoveSection("S");
    QCOMPARE(ini.Value("S", "only"), std::optional(QStringLiteral("4")));
    QCOMPARE(ReadFile(path()), IniBytes("[s]\r\nk=3\r\nonly=4\r\n"));
}

void TestIniFile::batchWritesOnceAtTheEnd()
{
    CIniFile ini(path());
    ini.SetValue("S", "k", "old");
    const QByteArray before = ReadFile(path());
    struct stat status;
    QCOMPARE(::stat(QFile::encodeName(path()).constData(), &status), 0);
    const ino_t inode = status.st_ino;

    ini.BeginBatch();
    ini.BeginBatch();
    for (int i = 0; i < 1000; ++i)
        QCOMPARE(ini.SetValue("S", QString::number(i), QString::number(i)), 0);
    ini.RemoveKey("S", "k");
    QCOMPARE(ini.EndBatch(), 0);
    QCOMPARE(ReadFile(path()), before);   // the inner end writes nothing
    QCOMPARE(ini.Value("S", "999"), std::optional(QStringLiteral("999")));
    QCOMPARE(::stat(QFile::encodeName(path()).constData(), &status), 0);
    QCOMPARE(status.st_ino, inode);
    QCOMPARE(ini.EndBatch(), 0);

    CIniFile again(path());
    QCOMPARE(again.Value("S", "999"), std::optional(QStringLiteral("999")));
    QCOMPARE(again.Value("S", "k"), std::nullopt);
}

void TestIniFile::writeOutsideBatchIsOnDiskAtOnce()
{
    CIniFile ini(path());
    for (const char *value : {"1", "2", "3"}) {
        ini.SetValue("S", "k", value);
        QCOMPARE(ReadFile(path()), IniBytes(QStringLiteral("[S]\r\nk=") + value + "\r\n"));
    }
}

void TestIniFile::readsAgainAfterAnotherWriter()
{
    CIniFile mine(path());
    mine.SetValue("S", "k", "mine");
    CIniFile theirs(path());
    theirs.SetValue("S", "k", "theirs");
    theirs.SetValue("S", "new", "1");
    QCOMPARE(mine.Value("S", "k"), std::optional(QStringLiteral("theirs")));
    // A write of ours now starts from their content.
    mine.SetValue("S", "more", "2");
    CIniFile check(path());
    QCOMPARE(check.Value("S", "new"), std::optional(QStringLiteral("1")));
    QCOMPARE(check.Value("S", "more"), std::optional(QStringLiteral("2")));
}

void TestIniFile::readsAgainAfterAnEditInPlace_data()
{
    QTest::addColumn<qint64>("shiftNs");   // the edited file's time against the one read before

    QTest::newRow("a second later") << qint64(1000000000);
    QTest::newRow("a millisecond later") << qint64(1000000);
    QTest::newRow("a nanosecond later") << qint64(1);
    QTest::newRow("a second earlier (a copy put back)") << qint64(-1000000000);
}

void TestIniFile::readsAgainAfterAnEditInPlace()
{
    QFETCH(qint64, shiftNs);
    CIniFile ini(path());
    ini.SetValue("S", "k", "aaaa");
    const QByteArray name = QFile::encodeName(path());
    struct stat before;
    QCOMPARE(::stat(name.constData(), &before), 0);

    // Same size, same inode: only the time tells. File times step in coarse ticks, so the
    // edit is given its time explicitly instead of waiting for the next tick.
    QFile file(path());
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.write(IniBytes("[S]\r\nk=bbbb\r\n")) > 0);
    file.close();
    const qint64 ns = qint64(before.st_mtim.tv_sec) * 1000000000 + before.st_mtim.tv_nsec + shiftNs;
    const struct timespec times[2] = {{ns / 1000000000, ns % 1000000000}, {ns / 1000000000, ns % 1000000000}};
    QCOMPARE(::utimensat(AT_FDCWD, name.constData(), times, 0), 0);
    struct stat after;
    QCOMPARE(::stat(name.constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_size, before.st_size);

    QCOMPARE(ini.Value("S", "k"), std::optional(QStringLiteral("bbbb")));
}

void TestIniFile::clearLeavesTheByteOrderMarkAlone()
{
    CIniFile ini(path());
    ini.SetValue("S", "k", "1");
    QCOMPARE(ini.Clear(), 0);
    QCOMPARE(ReadFile(path()), QByteArray("\xFF\xFE"));
    QCOMPARE(ini.Value("S", "k"), std::nullopt);

    // Inside a batch the old content stays on disk until the batch ends, unless asked otherwise.
    ini.SetValue("S", "k", "2");
    ini.BeginBatch();
    ini.Clear();
    QCOMPARE(ReadFile(path()), IniBytes("[S]\r\nk=2\r\n"));
    ini.SetValue("T", "x", "1");
    QCOMPARE(ini.EndBatch(), 0);
    QCOMPARE(ReadFile(path()), IniBytes("[T]\r\nx=1\r\n"));
    ini.BeginBatch();
    ini.Clear(true);
    QCOMPARE(ReadFile(path()), QByteArray("\xFF\xFE"));
    ini.EndBatch();
}

void TestIniFile::keepsPermissionsAndSymbolicLinks()
{
    const QString real = m_dir.filePath("real.ini");
    QVERIFY(WriteFile(real, IniBytes("[S]\r\nk=1\r\n")));
    QVERIFY(QFile::setPermissions(real, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QFile::remove(path());
    QVERIFY(QFile::link(real, path()));

    CIniFile ini(path());
    ini.SetValue("S", "k", "2");
    QVERIFY(QFileInfo(path()).isSymLink());
    QCOMPARE(ReadFile(real), IniBytes("[S]\r\nk=2\r\n"));
    struct stat status;
    QCOMPARE(::stat(QFile::encodeName(real).constData(), &status), 0);
    QCOMPARE(status.st_mode & 07777, mode_t(0600));
}

void TestIniFile::rewritesInPlaceWhenTheFolderRefusesNewFiles()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("x.ini");
    QVERIFY(WriteFile(file, IniBytes("[S]\r\nk=1\r\n")));
    CIniFile ini(file);
    {
        ReadOnlyFolder readOnly(dir.path());
        if (!readOnly.active())
            QSKIP("no way to make a folder refuse new files here");
        QCOMPARE(ini.SetValue("S", "k", "2"), 0);
    }
    QCOMPARE(ReadFile(file), IniBytes("[S]\r\nk=2\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"x.ini"});
}

void TestIniFile::failsCleanlyWhenNothingCanBeWritten()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("x.ini");
    CIniFile ini(file);
    {
        ReadOnlyFolder readOnly(dir.path());
        if (!readOnly.active())
            QSKIP("no way to make a folder refuse new files here");
        const int error = ini.SetValue("S", "k", "1");
        QVERIFY2(error == EACCES || error == EPERM, qPrintable(QString::number(error)));
        QCOMPARE(ini.LastWriteError(), error);
        // What was written stays readable for the rest of the run.
        QCOMPARE(ini.Value("S", "k"), std::optional(QStringLiteral("1")));
    }
    QVERIFY(!QFile::exists(file));
    // Once the folder takes files again, the next write brings everything to disk.
    QCOMPARE(ini.SetValue("S", "k2", "2"), 0);
    CIniFile again(file);
    QCOMPARE(again.Value("S", "k"), std::optional(QStringLiteral("1")));
    QCOMPARE(again.Value("S", "k2"), std::optional(QStringLiteral("2")));
}

void TestIniFile::killedWriterLeavesOldOrNewFileNeverATornOne_data()
{
    QTest::addColumn<quint32>("event");   // what the kill waits for
    QTest::addColumn<QString>("prefix");  // of the name the event must carry

    QTest::newRow("while the temporary file is new") << quint32(IN_CREATE) << ".test.ini.";
    QTest::newRow("once data went into the temporary file") << quint32(IN_MODIFY) << ".test.ini.";
    QTest::newRow("as the new file is renamed into place") << quint32(IN_MOVED_TO) << "test.ini";
}

void TestIniFile::killedWriterLeavesOldOrNewFileNeverATornOne()
{
    // A writer process alternates between two large contents, beginning with the one the file
    // does not hold; it is killed at the chosen step of its first or second write, and each time
    // the file must be one of the two, complete.
    QFETCH(quint32, event);
    QFETCH(QString, prefix);
    const QString big(300000, u'あ');
    const QString small(1000, u'x');
    const QByteArray first = IniBytes("[S]\r\nk=" + big + "\r\n");
    const QByteArray second = IniBytes("[S]\r\nk=" + small + "\r\n[T]\r\nk=" + big + "\r\n");

    int sawFirst = 0;
    int sawSecond = 0;
    for (int round = 0; round < 10; ++round) {
        QVERIFY(WriteFile(path(), first));
        WriterEvents events(m_dir.path(), event, prefix);
        QVERIFY(events.valid());
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            for (int i = 0;; ++i)
                CIniFile::ReplaceFile(path(), i % 2 ? first : second);
        }
        const bool reached = events.Await(1 + round % 2);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        QVERIFY2(reached, qPrintable(QStringLiteral("round %1: the writer never got there").arg(round)));
        const QByteArray now = ReadFile(path());
        QVERIFY2(now == first || now == second, qPrintable(QStringLiteral("round %1: %2 bytes").arg(round).arg(now.size())));
        (now == first ? sawFirst : sawSecond)++;
        CIniFile check(path());
        QVERIFY(check.Value("S", "k").has_value());
    }
    QVERIFY(sawFirst > 0 && sawSecond > 0);   // the kills did land at different moments
    // A killed writer may leave its temporary file behind, never the INI file itself torn.
    for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden)) {
        if (name.startsWith(".test.ini."))
            QFile::remove(m_dir.filePath(name));
    }
}

void TestIniFile::neverReplacesAFileItCouldNotRead_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("pipe") << "pipe";
    QTest::newRow("folder") << "folder";
    QTest::newRow("no read permission") << "unreadable";
}

void TestIniFile::neverReplacesAFileItCouldNotRead()
{
    QFETCH(QString, kind);
    const QByteArray name = QFile::encodeName(path());
    if (kind == "pipe")
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    if (kind == "folder")
        QVERIFY(QDir().mkpath(path()));
    if (kind == "unreadable") {
        if (::geteuid() == 0)
            QSKIP("permissions do not stop root");
        QVERIFY(WriteFile(path(), IniBytes("[S]\r\nk=1\r\n")));
        QVERIFY(QFile::setPermissions(path(), QFileDevice::WriteOwner));
    }
    CIniFile ini(path());
    QCOMPARE(ini.Value("S", "k"), std::nullopt);   // and does not hang on the pipe
    QVERIFY(ini.SetValue("S", "k", "2") != 0);
    struct stat status;
    QCOMPARE(::lstat(name.constData(), &status), 0);
    QVERIFY(!S_ISREG(status.st_mode) || kind == "unreadable");
    if (kind == "unreadable") {
        QVERIFY(QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(ReadFile(path()), IniBytes("[S]\r\nk=1\r\n"));
    }
    if (kind == "folder")
        QDir(path()).removeRecursively();
    else
        QFile::remove(path());
}

QTEST_APPLESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
