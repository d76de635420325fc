#include "TestSupport.h"
#include "platform/PosixFileSystem.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::ReadFile;
using testsupport::WriteFile;

// Owner, group and permission bits of copied files, links and folders, for root and for an
// ordinary user.
class TestPosixRights : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void keptByRoot_data();
    void keptByRoot();
    void ordinaryUser_data();
    void ordinaryUser();
    void unreachableTargets_data();
    void unreachableTargets();

private:
    QString path(const QString &relative) const { return m_dir->filePath(relative); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

constexpr uid_t Nobody = 65534;
constexpr gid_t NoGroup = 65534;

QByteArray Native(const QString &path)
{
    return QFile::encodeName(path);
}

struct stat RawStatus(const QString &path)
{
    struct stat status {};
    if (::lstat(Native(path).constData(), &status) != 0)
        status.st_mode = 0;
    return status;
}

// The source item: a file, a folder or a link, with its owner and mode.
bool MakeItem(const QString &kind, const QString &path, uid_t owner, gid_t group, mode_t mode)
{
    const QByteArray native = Native(path);
    if (kind == u"file" && !WriteFile(path, "#!/bin/sh\necho data\n"))
        return false;
    if (kind == u"folder" && ::mkdir(native.constData(), 0755) != 0)
        return false;
    if (kind == u"link")
        return ::symlink("elsewhere", native.constData()) == 0
            && ::lchown(native.constData(), owner, group) == 0;
    // chown first: it clears set-user-ID and set-group-ID.
    return ::chown(native.constData(), owner, group) == 0 && ::chmod(native.constData(), mode) == 0;
}

// The copy as the engine makes it: a file or link by CopyFile, a folder by creating it and
// giving it the source's attributes.
bool CopyItem(FileSystem &fs, const QString &kind, const QString &source, const QString &target, FsError *error)
{
    if (kind != u"folder")
        return fs.CopyFile(source, target, error);
    return fs.CreateFolder(target, error) && fs.CopyFolderAttributes(source, target, error);
}

// Runs work in a child process as user and group 65534 without other groups; the answer is
// the exit status, or -1 when the child could not become that user or did not end normally.
int AsOrdinaryUser(const std::function<int()> &work)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(NoGroup) != 0 || ::setuid(Nobody) != 0)
            ::_exit(254);
        ::_exit(work() & 0xFF);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) && WEXITSTATUS(status) != 254 ? WEXITSTATUS(status) : -1;
}

} // namespace

void TestPosixRights::init()
{
    if (::geteuid() != 0)
        QSKIP("only root can give items to other owners");
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QCOMPARE(::chmod(Native(m_dir->path()).constData(), 0755), 0);
    QVERIFY(QDir().mkpath(path(QStringLiteral("m"))));
    QVERIFY(QDir().mkpath(path(QStringLiteral("b"))));
}

void TestPosixRights::keptByRoot_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("mode");

    QTest::newRow("file 0640") << "file" << 0640;
    QTest::newRow("setuid program") << "file" << 04755;
    QTest::newRow("setuid and setgid program") << "file" << 06750;
    QTest::newRow("file without any rights") << "file" << 0;
    QTest::newRow("private folder") << "folder" << 0700;
    QTest::newRow("group folder with setgid") << "folder" << 02770;
    QTest::newRow("shared folder with sticky bit") << "folder" << 01777;
    QTest::newRow("link") << "link" << 0777;
}

// Root keeps another user's owner, group and every bit, set-ID included.
void TestPosixRights::keptByRoot()
{
    QFETCH(QString, kind);
    QFETCH(int, mode);
    const QString source = path(QStringLiteral("m/item"));
    const QString target = path(QStringLiteral("b/item"));
    QVERIFY(MakeItem(kind, source, 4321, 8765, mode_t(mode)));

    PosixFileSystem fs;
    FsError error;
    QVERIFY(CopyItem(fs, kind, source, target, &error));
    const struct stat from = RawStatus(source);
    const struct stat to = RawStatus(target);
    QCOMPARE(to.st_mode & S_IFMT, from.st_mode & S_IFMT);
    QCOMPARE(to.st_uid, uid_t(4321));
    QCOMPARE(to.st_gid, gid_t(8765));
    QCOMPARE(to.st_mode & 07777, from.st_mode & 07777);
    if (kind == u"file")
        QCOMPARE(ReadFile(target), ReadFile(source));
}

void TestPosixRights::ordinaryUser_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("ownSource");     // else owned by root
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("copiedMode");

    QTest::newRow("root's setuid program") << "file" << false << 04755 << 0755;
    QTest::newRow("root's setgid program") << "file" << false << 02755 << 0755;
    QTest::newRow("root's setuid and setgid program") << "file" << false << 06755 << 0755;
    QTest::newRow("root's plain file") << "file" << false << 0644 << 0644;
    QTest::newRow("own setuid program") << "file" << true << 04755 << 04755;
    QTest::newRow("own read-only file") << "file" << true << 0400 << 0400;
    QTest::newRow("root's setgid folder") << "folder" << false << 02775 << 0775;
    QTest::newRow("root's private folder") << "folder" << false << 0700 << 0700;
    QTest::newRow("root's sticky folder") << "folder" << false << 01777 << 01777;
    QTest::newRow("own setgid folder") << "folder" << true << 02750 << 02750;
}

// An ordinary user owns what it copies; set-ID bits of someone else's item do not come along.
void TestPosixRights::ordinaryUser()
{
    QFETCH(QString, kind);
    QFETCH(bool, ownSource);
    QFETCH(int, mode);
    const QString source = path(QStringLiteral("m/item"));
    const QString target = path(QStringLiteral("b/item"));
    QVERIFY(MakeItem(kind, source, ownSource ? Nobody : 0, ownSource ? NoGroup : 0, mode_t(mode)));
    QCOMPARE(::chown(Native(path(QStringLiteral("b"))).constData(), Nobody, NoGroup), 0);

    const int answer = AsOrdinaryUser([&] {
        PosixFileSystem fs;
        FsError error;
        return CopyItem(fs, kind, source, target, &error) ? 0 : (error.code ? error.code : 253);
    });
    QCOMPARE(answer, 0);
    const struct stat to = RawStatus(target);
    QCOMPARE(to.st_uid, Nobody);
    QCOMPARE(to.st_gid, NoGroup);
    QTEST(int(to.st_mode & 07777), "copiedMode");
    if (kind == u"file")
        QCOMPARE(ReadFile(target), ReadFile(source));
}

void TestPosixRights::unreachableTargets_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("code");

    QTest::newRow("missing") << "b/none" << ENOENT;
    QTest::newRow("a file") << "b/file" << ENOTDIR;
    QTest::newRow("a link to a folder") << "b/link" << ENOTDIR;
}

// Folder attributes go to the folder itself and nowhere else: a link in its place is refused,
// and the folder it points at keeps its own owner and mode.
void TestPosixRights::unreachableTargets()
{
    QFETCH(QString, target);
    QVERIFY(MakeItem(QStringLiteral("folder"), path(QStringLiteral("m/item")), 4321, 8765, 0700));
    QVERIFY(WriteFile(path(QStringLiteral("b/file")), "x"));
    QVERIFY(QDir().mkpath(path(QStringLiteral("elsewhere"))));
    QCOMPARE(::symlink("../elsewhere", Native(path(QStringLiteral("b/link"))).constData()), 0);
    const QStringList before = testsupport::TreeListing(m_dir->path());

    PosixFileSystem fs;
    FsError error;
    QVERIFY(!fs.CopyFolderAttributes(path(QStringLiteral("m/item")), path(target), &error));
    QTEST(error.code, "code");
    QCOMPARE(testsupport::TreeListing(m_dir->path()), before);
    QCOMPARE(RawStatus(path(QStringLiteral("elsewhere"))).st_uid, uid_t(0));
}

QTEST_APPLESS_MAIN(TestPosixRights)
#include "tst_posixrights.moc"
