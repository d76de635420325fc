#include "FaultInjectingFileSystem.h"
#include "TestSupport.h"

#include "engine/ChangeJournal.h"
#include "engine/ReadAhead.h"
#include "platform/PosixFileSystem.h"

#include <QSemaphore>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

using testsupport::WriteFile;
using Op = FaultInjectingFileSystem::Op;

namespace {

// A file system of a chosen type that can or cannot be read from several threads.
class TypedFileSystem : public PosixFileSystem {
public:
    QString FileSystemType(const QString &path) override { return path.startsWith(u"/m") ? master : backup; }
    bool SupportsConcurrentReads() const override { return concurrent; }
    QString master;
    QString backup;
    bool concurrent = true;
};

// Holds the first status read of a whole folder, or with listingHeld set the first listing of that
// folder, until the test lets it go; tells the names each status read is asked for and which
// thread listed each folder.
class HeldFileSystem : public PosixFileSystem {
public:
    void ReadStatuses(const QString &folder, StatusNames names, const StatusAnswer &answer) override
    {
        if (listingHeld.isEmpty())
            Hold();
        {
            const QMutexLocker lock(&m_mutex);
            for (const QStringView name : names)
                m_read << QString(folder).append(name);
        }
        PosixFileSystem::ReadStatuses(folder, names, answer);
    }
    bool ListFolder(const QString &path, const std::function<bool(const FolderEntry &)> &visit,
                    FsError *error) override
    {
        if (path == listingHeld)
            Hold();
        {
            const QMutexLocker lock(&m_mutex);
            m_listings.append({path, std::this_thread::get_id()});
        }
        return PosixFileSystem::ListFolder(path, visit, error);
    }
    // Copies of their own: a shared one would be let go on the test's thread while a reader grows
    // the list, which a thread checker cannot tell from a race.
    QStringList Read() const
    {
        const QMutexLocker lock(&m_mutex);
        return QStringList(m_read.cbegin(), m_read.cend());
    }
    QList<std::pair<QString, std::thread::id>> Listings() const
    {
        const QMutexLocker lock(&m_mutex);
        return QList(m_listings.cbegin(), m_listings.cend());
    }
    QString listingHeld;
    QSemaphore held;
    QSemaphore release;

private:
    void Hold()
    {
        if (!m_first.exchange(true)) {
            held.release();
            release.acquire();
        }
    }

    std::atomic<bool> m_first{false};
    mutable QMutex m_mutex;
    QStringList m_read;
    QList<std::pair<QString, std::thread::id>> m_listings;
};

// The names and kinds in a folder, as a listing of the counterpart hands them out.
QHash<QString, ItemKind> KindsIn(FileSystem &disk, const QString &folder)
{
    QHash<QString, ItemKind> kinds;
    disk.ListFolder(folder, [&](const FolderEntry &entry) {
        kinds.insert(entry.name, entry.kind);
        return true;
    }, nullptr);
    return kinds;
}

QHash<QString, ItemKind> KindsIn(const CFolderNames &names)
{
    QHash<QString, ItemKind> kinds;
    for (qsizetype i = 0; i < names.Size(); ++i)
        kinds.insert(names.NameAt(i).toString(), names.KindAt(i));
    return kinds;
}

// Every file and folder below relative, in the order a walk meets them: files of a folder before
// its subfolders, each in listing order.
void WalkOrder(FileSystem &disk, const QString &root, const QString &relative, QStringList &folders)
{
    folders << relative;
    QStringList subfolders;
    disk.ListFolder(root + relative, [&](const FolderEntry &entry) {
        if (entry.kind == ItemKind::Folder)
            subfolders << entry.name;
        return true;
    }, nullptr);
    for (const QString &name : std::as_const(subfolders))
        WalkOrder(disk, root, relative + name + u'/', folders);
}

// The ticket's listing as entries, the shape the walk's checks compare with.
bool Take(CReadAhead::Ticket &ticket, QList<FolderEntry> &entries, QList<FolderEntry> &leftOut)
{
    CFolderListing taken;
    CFolderListing takenLeftOut;
    const bool listed = ticket.Listing(taken, takenLeftOut);
    entries.clear();
    leftOut.clear();
    for (qsizetype i = 0; i < taken.Size(); ++i)
        entries.append({taken.NameAt(i).toString(), taken.KindAt(i), taken.NameValidAt(i)});
    for (qsizetype i = 0; i < takenLeftOut.Size(); ++i)
        leftOut.append({takenLeftOut.NameAt(i).toString(), takenLeftOut.KindAt(i), takenLeftOut.NameValidAt(i)});
    return listed;
}

} // namespace

class TestReadAhead : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void hintsAreWhatTheDiskSays_data();
    void hintsAreWhatTheDiskSays();
    void readersFollowTheWalkOrder();
    void windowBoundsTheReading_data();
    void windowBoundsTheReading();
    void changesMakeHintsStale_data();
    void changesMakeHintsStale();
    void failuresAreLeftToTheChecks_data();
    void failuresAreLeftToTheChecks();
    void foldersLeftOutAreDropped();
    void walkReadsWhatNoReaderBegan();
    void walkListsAsideWhileAReaderLists();
    void counterpartListings_data();
    void counterpartListings();
    void keptListings_data();
    void keptListings();
    void finishWhileReading();
    void readersByFileSystem_data();
    void readersByFileSystem();

private:
    // A master tree of `folders` folders below the root (each with `files` files) and a backup
    // with the first half of each folder's files.
    void MakeTrees(int folders, int files);
    // Walks the whole tree as the tree walk does and compares every hint with the disk.
    void WalkAndCompare(CReadAhead &pool, FileSystem &disk, CReadAhead::Ticket ticket, const QString &relative,
                        int &hints, int &asked);
    CReadAhead::Plan ComparePlan() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_master;
    QString m_backup;
    PosixFileSystem m_posix;
    std::unique_ptr<CChangeJournal> m_journalOwner;
    CChangeJournal *m_journal = nullptr;
};

void TestReadAhead::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_master = m_dir->path() + QStringLiteral("/master/");
    m_backup = m_dir->path() + QStringLiteral("/backup/");
    m_journalOwner = std::make_unique<CChangeJournal>();
    m_journal = m_journalOwner.get();
}

void TestReadAhead::MakeTrees(int folders, int files)
{
    const auto make = [&](const QString &relative) {
        for (int i = 0; i < files; ++i) {
            const QString name = relative + QStringLiteral("f%1.txt").arg(i);
            QVERIFY(WriteFile(m_master + name, QByteArray(i, 'x')));
            if (i < files / 2)
                QVERIFY(WriteFile(m_backup + name, QByteArray(i + 1, 'y')));
        }
    };
    QVERIFY(QDir().mkpath(m_backup));
    make(QString());
    for (int k = 0; k < folders; ++k)
        make(QStringLiteral("d%1/").arg(k % 3 == 0 ? QString::number(k) : QStringLiteral("%1/e%1").arg(k)));
}

CReadAhead::Plan TestReadAhead::ComparePlan() const
{
    return {.walkRoot = m_master, .otherRoot = m_backup, .compare = true};
}

void TestReadAhead::WalkAndCompare(CReadAhead &pool, FileSystem &disk, CReadAhead::Ticket ticket,
                                   const QString &relative, int &hints, int &asked)
{
    QList<FolderEntry> entries, leftOut;
    QVERIFY2(Take(ticket, entries, leftOut), qPrintable(relative));
    QStringList listed;
    disk.ListFolder(m_master + relative, [&](const FolderEntry &entry) {
        listed << entry.name;
        return true;
    }, nullptr);
    QCOMPARE(entries.size(), listed.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const FolderEntry &entry = entries.at(i);
        QCOMPARE(entry.name, listed.at(i));
        const QString walked = m_master + relative + entry.name;
        const QString other = m_backup + relative + entry.name;
        asked += entry.kind == ItemKind::File ? 2 : 1;
        if (entry.kind == ItemKind::File) {
            const std::optional<FileStatus> hint = ticket.Walked(i, walked);
            const std::optional<FileStatus> status = disk.Status(walked, nullptr);
            if (hint) {
                ++hints;
                QCOMPARE(hint->size, status->size);
                QCOMPARE(hint->lastWrite, status->lastWrite);
            }
        }
        if (const std::optional<KnownStatus> hint = ticket.Counterpart(i, other)) {
            ++hints;
            const std::optional<FileStatus> status = disk.Status(other, nullptr);
            QCOMPARE(hint->notFound, !status.has_value());
            if (status) {
                QCOMPARE(hint->status->size, status->size);
                QCOMPARE(hint->status->kind, status->kind);
            }
        }
    }
    for (const FolderEntry &entry : std::as_const(entries)) {
        if (entry.kind == ItemKind::Folder)
            WalkAndCompare(pool, disk, ticket.Child(entry.name), relative + entry.name + u'/', hints, asked);
    }
}

void TestReadAhead::hintsAreWhatTheDiskSays_data()
{
    QTest::addColumn<int>("readers");
    QTest::addColumn<int>("folders");
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("chunk");
    QTest::newRow("one reader") << 1 << 12 << 20 << 8;
    QTest::newRow("two readers") << 2 << 12 << 20 << 8;
    QTest::newRow("four readers, one large folder") << 4 << 1 << 130 << 16;
    QTest::newRow("two readers, many small folders") << 2 << 40 << 3 << 64;
}

// Whatever the readers hand out is exactly what the walk would have read itself, in every folder
// and however the work was shared.
void TestReadAhead::hintsAreWhatTheDiskSays()
{
    QFETCH(int, readers);
    QFETCH(int, folders);
    QFETCH(int, files);
    QFETCH(int, chunk);
    MakeTrees(folders, files);
    for (int round = 0; round < 4; ++round) {
        CReadAhead pool(m_posix, *m_journal, readers, {.folders = 100, .chunk = chunk});
        pool.Start(ComparePlan());
        // Once with everything read before the walk comes, then racing it.
        if (round == 0)
            QTRY_VERIFY(pool.Settled());
        int hints = 0;
        int asked = 0;
        WalkAndCompare(pool, m_posix, pool.Root(), QString(), hints, asked);
        pool.Finish();
        QCOMPARE(pool.FoldersAhead(), 0);
        if (round == 0)
            QCOMPARE(hints, asked);
    }
}

// The readers list the folders in the order the walk enters them, depth first.
void TestReadAhead::readersFollowTheWalkOrder()
{
    MakeTrees(10, 2);
    FaultInjectingFileSystem disk(m_posix);
    QStringList expected;
    WalkOrder(m_posix, m_master, QString(), expected);
    CReadAhead pool(disk, *m_journal, 1, {.folders = 100});
    pool.Start(ComparePlan());
    QTRY_VERIFY(pool.Settled());
    QCOMPARE(pool.FoldersAhead(), int(expected.size()));
    QStringList listed;
    for (const QString &path : disk.CallsOf(Op::ListFolder))
        listed << path.mid(m_master.size());
    QCOMPARE(listed, expected);
    pool.Finish();
}

void TestReadAhead::windowBoundsTheReading_data()
{
    QTest::addColumn<int>("folders");
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("ahead");
    QTest::addColumn<int>("aheadEntries");
    QTest::addColumn<int>("listedAfterRoot");
    // The root holds 10 folders, each folder 4 files.
    QTest::newRow("by folders") << 3 << 1000 << 3 << 18 << 4;
    QTest::newRow("by entries") << 100 << 20 << 4 << 22 << 6;
    QTest::newRow("one folder at least") << 100 << 1 << 1 << 10 << 2;
}

// Only a window of folders is read ahead; each folder the walk takes makes room for more.
void TestReadAhead::windowBoundsTheReading()
{
    QFETCH(int, folders);
    QFETCH(int, entries);
    QFETCH(int, ahead);
    QFETCH(int, aheadEntries);
    QFETCH(int, listedAfterRoot);
    for (int k = 0; k < 10; ++k) {
        for (int i = 0; i < 4; ++i)
            QVERIFY(WriteFile(m_master + QStringLiteral("d%1/f%2").arg(k).arg(i), "x"));
    }
    QVERIFY(QDir().mkpath(m_backup));
    FaultInjectingFileSystem disk(m_posix);
    CReadAhead pool(disk, *m_journal, 2, {.folders = folders, .entries = entries});
    pool.Start(ComparePlan());
    QTRY_VERIFY(pool.Settled());
    QCOMPARE(pool.FoldersAhead(), ahead);
    QCOMPARE(pool.EntriesAhead(), aheadEntries);
    QCOMPARE(disk.CallsOf(Op::ListFolder).size(), ahead);

    CReadAhead::Ticket root = pool.Root();
    QList<FolderEntry> listed, leftOut;
    QVERIFY(Take(root, listed, leftOut));
    QCOMPARE(listed.size(), 10);
    QTRY_VERIFY(pool.Settled());
    QCOMPARE(disk.CallsOf(Op::ListFolder).size(), listedAfterRoot);
    QVERIFY(pool.FoldersAhead() <= folders);
    root = {};
    pool.Finish();
}

void TestReadAhead::changesMakeHintsStale_data()
{
    QTest::addColumn<QString>("changed");
    QTest::addColumn<bool>("beforeListing");   // recorded before the walk takes the listing, else after
    QTest::addColumn<bool>("listingFresh");
    QTest::addColumn<bool>("walkedFresh");
    QTest::addColumn<bool>("otherFresh");
    QTest::newRow("nothing") << "" << false << true << true << true;
    QTest::newRow("the backup file") << "backup/d0/f0.txt" << false << true << true << false;
    QTest::newRow("the master file") << "master/d0/f0.txt" << false << true << false << true;
    QTest::newRow("another backup file") << "backup/d0/f1.txt" << false << true << true << true;
    QTest::newRow("another master file") << "master/d0/f1.txt" << false << true << true << true;
    QTest::newRow("the backup folder above") << "backup/d0" << false << true << true << false;
    QTest::newRow("the master tree above") << "master" << false << true << false << true;
    QTest::newRow("a master file, before the listing") << "master/d0/f1.txt" << true << false << false << false;
    QTest::newRow("a new master file, before the listing") << "master/d0/new.txt" << true << false << false << false;
    QTest::newRow("the master folder, before the listing") << "master/d0/" << true << false << false << false;
    QTest::newRow("a backup file, before the listing") << "backup/d0/f1.txt" << true << true << true << true;
    QTest::newRow("another master folder, before the listing") << "master/d1/x" << true << true << true << true;
}

// Anything the run changed after it was read is read again: the hints for it are withheld.
void TestReadAhead::changesMakeHintsStale()
{
    QFETCH(QString, changed);
    QFETCH(bool, beforeListing);
    QFETCH(bool, listingFresh);
    QFETCH(bool, walkedFresh);
    QFETCH(bool, otherFresh);
    MakeTrees(1, 4);
    CReadAhead pool(m_posix, *m_journal, 1);
    pool.Start(ComparePlan());
    CReadAhead::Ticket root = pool.Root();
    QList<FolderEntry> entries, leftOut;
    QVERIFY(Take(root, entries, leftOut));
    CReadAhead::Ticket folder = root.Child(QStringLiteral("d0"));
    QVERIFY(folder);
    // Read whole before the change.
    QTRY_VERIFY(pool.Settled());
    QCOMPARE(pool.FoldersAhead(), 1);
    const auto change = [&] {
        if (!changed.isEmpty())
            m_journal->Record(m_dir->path() + u'/' + changed);
    };
    if (beforeListing)
        change();
    QCOMPARE(Take(folder, entries, leftOut), listingFresh);
    if (!beforeListing)
        change();
    const qsizetype index = std::find_if(entries.cbegin(), entries.cend(), [](const FolderEntry &entry) {
        return entry.name == u"f0.txt";
    }) - entries.cbegin();
    // A listing the walk does not go by hands out nothing.
    QCOMPARE(folder.Walked(index, m_master + "d0/f0.txt").has_value(), walkedFresh);
    QCOMPARE(folder.Counterpart(index, m_backup + "d0/f0.txt").has_value(), otherFresh);
}

void TestReadAhead::failuresAreLeftToTheChecks_data()
{
    QTest::addColumn<int>("op");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("listing");
    QTest::addColumn<bool>("walked");
    QTest::addColumn<int>("other");   // 0: none, 1: found, 2: plainly not there
    QTest::newRow("no failure") << int(Op::Status) << "" << 0 << true << true << 1;
    QTest::newRow("backup not found") << int(Op::ReadStatuses) << "backup/f0.txt" << ENOENT << true << true << 2;
    QTest::newRow("backup share gone") << int(Op::ReadStatuses) << "backup/f0.txt" << EHOSTDOWN << true << true << 0;
    QTest::newRow("backup path not a folder") << int(Op::ReadStatuses) << "backup/f0.txt" << ENOTDIR << true << true << 0;
    QTest::newRow("backup refused by a status rule") << int(Op::Status) << "backup/f0.txt" << EACCES << true << true << 0;
    QTest::newRow("master vanished") << int(Op::ReadStatuses) << "master/f0.txt" << ENOENT << true << false << 1;
    QTest::newRow("master unreadable") << int(Op::ReadStatuses) << "master/f0.txt" << EIO << true << false << 1;
    QTest::newRow("listing refused") << int(Op::ListFolder) << "master/" << EACCES << false << false << 0;
}

// Only a plain success or a plain "not found" is handed out; any other answer is the check's
// to retry and report, and the walk lists a folder itself that could not be listed.
void TestReadAhead::failuresAreLeftToTheChecks()
{
    QFETCH(int, op);
    QFETCH(QString, path);
    QFETCH(int, code);
    QFETCH(bool, listing);
    QFETCH(bool, walked);
    QFETCH(int, other);
    MakeTrees(0, 2);
    FaultInjectingFileSystem disk(m_posix);
    if (code != 0)
        disk.FailOn(Op(op), m_dir->path() + u'/' + path, code, Op(op) == Op::Status ? 1 : FaultInjectingFileSystem::Always);
    CReadAhead pool(disk, *m_journal, 2);
    pool.Start(ComparePlan());
    CReadAhead::Ticket root = pool.Root();
    QList<FolderEntry> entries, leftOut;
    QCOMPARE(Take(root, entries, leftOut), listing);
    if (!listing)
        return;
    QTRY_VERIFY(pool.Settled());
    const qsizetype index = std::find_if(entries.cbegin(), entries.cend(), [](const FolderEntry &entry) {
        return entry.name == u"f0.txt";
    }) - entries.cbegin();
    QCOMPARE(root.Walked(index, m_master + "f0.txt").has_value(), walked);
    const std::optional<KnownStatus> hint = root.Counterpart(index, m_backup + "f0.txt");
    QCOMPARE(hint ? (hint->notFound ? 2 : 1) : 0, other);
    // A counted Status rule is still there for the check that reads again.
    if (Op(op) == Op::Status && code != 0)
        QVERIFY(!disk.Status(m_dir->path() + u'/' + path, nullptr));
}

// A folder the walk does not enter is dropped with everything read below it, and the readers go
// on with the next one.
void TestReadAhead::foldersLeftOutAreDropped()
{
    for (const QString &name : {QStringLiteral("p/x/y/"), QStringLiteral("q/x/y/")}) {
        for (int i = 0; i < 3; ++i)
            QVERIFY(WriteFile(m_master + name + QStringLiteral("f%1").arg(i), "x"));
    }
    QVERIFY(QDir().mkpath(m_backup));
    FaultInjectingFileSystem disk(m_posix);
    CReadAhead pool(disk, *m_journal, 1, {.folders = 2});
    pool.Start(ComparePlan());
    CReadAhead::Ticket root = pool.Root();
    QList<FolderEntry> entries, leftOut;
    QVERIFY(Take(root, entries, leftOut));
    QCOMPARE(entries.size(), 2);
    const QString first = entries.at(0).name + u'/';
    const QString second = entries.at(1).name + u'/';
    QTRY_VERIFY(pool.Settled());
    QCOMPARE(pool.FoldersAhead(), 2);
    QVERIFY(!root.Child(QStringLiteral("none")));
    {
        CReadAhead::Ticket dropped = root.Child(entries.at(0).name);
        QVERIFY(dropped);
    }
    QTRY_VERIFY(pool.Settled());
    QStringList listed;
    for (const QString &path : disk.CallsOf(Op::ListFolder))
        listed << path.mid(m_master.size());
    QCOMPARE(listed, (QStringList{"", first, first + "x/", second, second + "x/"}));
    CReadAhead::Ticket next = root.Child(entries.at(1).name);
    QVERIFY(Take(next, entries, leftOut));
    QCOMPARE(entries.size(), 1);
    // The walk went by what the readers listed.
    QCOMPARE(disk.CallsOf(Op::ListFolder).count(m_master + second), 1);
}

// A chunk no reader has begun is read by the walk itself when it gets there, and nothing is read
// twice: the reader that is held up does not hold up the walk.
void TestReadAhead::walkReadsWhatNoReaderBegan()
{
    MakeTrees(0, 12);
    HeldFileSystem disk;
    CReadAhead pool(disk, *m_journal, 1, {.chunk = 4});
    pool.Start(ComparePlan());
    CReadAhead::Ticket root = pool.Root();
    QList<FolderEntry> entries, leftOut;
    QVERIFY(Take(root, entries, leftOut));
    QVERIFY(disk.held.tryAcquire(1, 5000));   // the reader is stuck in its first chunk
    const QStringList before = disk.Read();
    // The first chunk is not the one the reader took (it takes the newest first).
    QVERIFY(root.Walked(0, m_master + entries.at(0).name).has_value());
    QVERIFY(root.Counterpart(0, m_backup + entries.at(0).name).has_value());
    QCOMPARE(disk.Read().size(), before.size() + 8);
    disk.release.release();
    int hints = 0;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        hints += root.Walked(i, m_master + entries.at(i).name).has_value();
        hints += root.Counterpart(i, m_backup + entries.at(i).name).has_value();
    }
    QCOMPARE(hints, 24);
    QStringList read = disk.Read();
    QCOMPARE(read.size(), 24);
    read.removeDuplicates();
    QCOMPARE(read.size(), 24);
}

void TestReadAhead::walkListsAsideWhileAReaderLists()
{
    MakeTrees(6, 2);
    QStringList order;
    WalkOrder(m_posix, m_master, QString(), order);
    // The reader is held in the first subfolder; the walk, waiting for it, lists the next folder
    // beside it instead of idling, and the reader does not list that one again.
    const QString first = order.at(1);
    const auto aside = std::find_if(order.cbegin() + 2, order.cend(), [&](const QString &folder) {
        return !folder.startsWith(first);
    });
    QVERIFY(aside != order.cend());
    HeldFileSystem disk;
    disk.listingHeld = m_master + first;
    CReadAhead pool(disk, *m_journal, 1);
    pool.Start({.walkRoot = m_master, .otherRoot = m_backup});
    CReadAhead::Ticket root = pool.Root();
    QList<FolderEntry> entries, leftOut;
    QVERIFY(Take(root, entries, leftOut));
    QVERIFY(disk.held.tryAcquire(1, 5000));
    const auto listedBy = [&](const QString &folder) {
        for (const auto &[path, thread] : disk.Listings()) {
            if (path == m_master + folder)
                return std::optional(thread);
        }
        return std::optional<std::thread::id>();
    };
    std::thread releaser([&] {
        for (int i = 0; i < 500 && !listedBy(*aside); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        disk.release.release();
    });
    CReadAhead::Ticket child = root.Child(first.chopped(1));
    const bool listed = Take(child, entries, leftOut);
    releaser.join();
    QVERIFY(listed);
    QCOMPARE(listedBy(*aside), std::optional(std::this_thread::get_id()));
    QTRY_VERIFY(pool.Settled());
    QStringList paths;
    for (const auto &[path, thread] : disk.Listings())
        paths << path.mid(m_master.size());
    paths.sort();
    order.sort();
    QCOMPARE(paths, order);
}

void TestReadAhead::counterpartListings_data()
{
    QTest::addColumn<int>("readers");
    QTest::addColumn<QString>("failing");   // a listing that fails
    QTest::addColumn<QString>("changed");   // recorded after the listing was read
    QTest::addColumn<QString>("asked");     // the counterpart asked for, "" for the right one
    QTest::addColumn<bool>("handed");
    QTest::newRow("read by a reader") << 1 << "" << "" << "" << true;
    QTest::newRow("read by two readers") << 2 << "" << "" << "" << true;
    QTest::newRow("counterpart changed since") << 1 << "" << "master/d0/new.txt" << "" << false;
    QTest::newRow("folder above changed since") << 1 << "" << "master" << "" << false;
    QTest::newRow("walked side changed, counterpart not") << 1 << "" << "backup/d0/f0.txt" << "" << true;
    QTest::newRow("counterpart not listed") << 1 << "master/d0/" << "" << "" << false;
    QTest::newRow("another folder asked for") << 1 << "" << "" << "master/d1/" << false;
}

// The mirroring pass takes each folder's counterpart listing from the readers: what the disk
// holds, read apart from the folder's own, withheld when stale or not read whole.
void TestReadAhead::counterpartListings()
{
    QFETCH(int, readers);
    QFETCH(QString, failing);
    QFETCH(QString, changed);
    QFETCH(QString, asked);
    QFETCH(bool, handed);
    MakeTrees(3, 6);
    QVERIFY(WriteFile(m_master + "d0/sub/x", "x"));
    FaultInjectingFileSystem disk(m_posix);
    if (!failing.isEmpty())
        disk.FailOn(Op::ListFolder, m_dir->path() + u'/' + failing, EACCES);
    CReadAhead pool(disk, *m_journal, readers);
    pool.Start({.walkRoot = m_backup, .otherRoot = m_master, .listOther = true});
    CReadAhead::Ticket root = pool.Root();
    QList<FolderEntry> entries, leftOut;
    QVERIFY(Take(root, entries, leftOut));
    CReadAhead::Ticket folder = root.Child(QStringLiteral("d0"));
    QVERIFY(Take(folder, entries, leftOut));
    // Read before the change (a listing read after it would be as good as any).
    QTRY_VERIFY(pool.Settled());
    if (!changed.isEmpty())
        m_journal->Record(m_dir->path() + u'/' + changed);
    const QString otherFolder = asked.isEmpty() ? m_master + "d0/" : m_dir->path() + u'/' + asked;
    const CFolderNames *listed = folder.OtherEntries(otherFolder);
    QCOMPARE(listed != nullptr, handed);
    if (!listed)
        return;
    QCOMPARE(KindsIn(*listed), KindsIn(m_posix, m_master + "d0/"));
    QCOMPARE(listed->Find(u"sub"), ItemKind::Folder);
    // The walk's own listings go no deeper than it asks: nothing is read of the counterpart twice.
    QCOMPARE(disk.CallsOf(Op::ListFolder).count(m_master + "d0/"), 1);
}

void TestReadAhead::keptListings_data()
{
    QTest::addColumn<qsizetype>("room");        // entries that may be kept
    QTest::addColumn<QString>("changed");       // recorded between the passes
    QTest::addColumn<QString>("otherRoot");     // of the second pass, "" for the master
    QTest::addColumn<bool>("handed");
    QTest::addColumn<int>("listings");          // of master/d0/ in both passes
    QTest::newRow("kept") << qsizetype(1000) << "" << "" << true << 1;
    QTest::newRow("no room") << qsizetype(0) << "" << "" << true << 2;
    QTest::newRow("master changed since") << qsizetype(1000) << "master/d0/new.txt" << "" << false << 1;
    QTest::newRow("another tree next") << qsizetype(1000) << "" << "other/" << false << 1;
}

// The backup pass keeps its listings of the master for the mirroring pass that follows: whole,
// with what it passed over, and only while nothing the run changed touches them.
void TestReadAhead::keptListings()
{
    QFETCH(qsizetype, room);
    QFETCH(QString, changed);
    QFETCH(QString, otherRoot);
    QFETCH(bool, handed);
    QFETCH(int, listings);
    MakeTrees(3, 6);
    QVERIFY(WriteFile(m_master + "d0/sub/x", "x"));
    QVERIFY(QDir().mkpath(m_backup + "d0"));
    FaultInjectingFileSystem disk(m_posix);
    CReadAhead pool(disk, *m_journal, 1, {.kept = room});
    QList<FolderEntry> entries, leftOut;
    pool.Start({.walkRoot = m_master, .otherRoot = m_backup, .keepListings = true,
                .leavesOut = [](const QString &, const FolderEntry &entry) { return entry.name == u"f1.txt"; }});
    {
        CReadAhead::Ticket root = pool.Root();
        QVERIFY(Take(root, entries, leftOut));
        CReadAhead::Ticket folder = root.Child(QStringLiteral("d0"));
        QVERIFY(Take(folder, entries, leftOut));
        QVERIFY(std::none_of(entries.cbegin(), entries.cend(), [](const FolderEntry &e) { return e.name == u"f1.txt"; }));
    }
    if (!changed.isEmpty())
        m_journal->Record(m_dir->path() + u'/' + changed);
    const QString other = otherRoot.isEmpty() ? m_master : m_dir->path() + u'/' + otherRoot;
    pool.Start({.walkRoot = m_backup, .otherRoot = other, .listOther = true});
    CReadAhead::Ticket root = pool.Root();
    QVERIFY(Take(root, entries, leftOut));
    CReadAhead::Ticket folder = root.Child(QStringLiteral("d0"));
    QVERIFY(Take(folder, entries, leftOut));
    const CFolderNames *listed = folder.OtherEntries(m_master + "d0/");
    QCOMPARE(listed != nullptr, handed);
    QCOMPARE(disk.CallsOf(Op::ListFolder).count(m_master + "d0/"), listings);
    if (!listed)
        return;
    QCOMPARE(KindsIn(*listed), KindsIn(m_posix, m_master + "d0/"));
}

// Stopping in the middle leaves nothing running and nothing held.
void TestReadAhead::finishWhileReading()
{
    MakeTrees(20, 10);
    for (int round = 0; round < 10; ++round) {
        CReadAhead pool(m_posix, *m_journal, 2, {.chunk = 4});
        pool.Start(ComparePlan());
        {
            CReadAhead::Ticket root = pool.Root();
            QList<FolderEntry> entries, leftOut;
            QVERIFY(Take(root, entries, leftOut));
            root.Walked(round % entries.size(), m_master + entries.at(round % entries.size()).name);
        }
        pool.Finish();
        QCOMPARE(pool.FoldersAhead(), 0);
        QCOMPARE(pool.EntriesAhead(), 0);
        // Started again for the next pass, it reads from the start.
        pool.Start(ComparePlan());
        int hints = 0;
        int asked = 0;
        WalkAndCompare(pool, m_posix, pool.Root(), QString(), hints, asked);
    }
}

void TestReadAhead::readersByFileSystem_data()
{
    QTest::addColumn<QString>("master");
    QTest::addColumn<QString>("backup");
    QTest::addColumn<bool>("concurrent");
    QTest::addColumn<int>("requested");   // -1: none
    QTest::addColumn<QString>("environment");
    QTest::addColumn<int>("readers");     // -1: all processors but the walk's, 1 to 3
    QTest::newRow("local disks") << "ext4" << "btrfs" << true << -1 << "" << -1;
    QTest::newRow("network share") << "ext4" << "cifs" << true << -1 << "" << 2;
    QTest::newRow("fuse mount") << "fuse.sshfs" << "ext4" << true << -1 << "" << 2;
    QTest::newRow("usb stick") << "ext4" << "vfat" << true << -1 << "" << 1;
    QTest::newRow("usb stick and a share") << "nfs4" << "exfat" << true << -1 << "" << 1;
    QTest::newRow("unknown type") << "" << "" << true << -1 << "" << -1;
    QTest::newRow("asked for none") << "ext4" << "ext4" << true << 0 << "" << 0;
    QTest::newRow("asked for three") << "ext4" << "vfat" << true << 3 << "" << 3;
    QTest::newRow("asked for too many") << "ext4" << "ext4" << true << 99 << "" << 4;
    QTest::newRow("none by the environment") << "ext4" << "ext4" << true << -1 << "0" << 0;
    QTest::newRow("asked beats the environment") << "ext4" << "ext4" << true << 1 << "0" << 1;
    QTest::newRow("environment not a number") << "ext4" << "vfat" << true << -1 << "many" << 1;
    QTest::newRow("one thread only") << "ext4" << "ext4" << false << 2 << "" << 0;
}

void TestReadAhead::readersByFileSystem()
{
    QFETCH(QString, master);
    QFETCH(QString, backup);
    QFETCH(bool, concurrent);
    QFETCH(int, requested);
    QFETCH(QString, environment);
    QFETCH(int, readers);
    TypedFileSystem disk;
    disk.master = master;
    disk.backup = backup;
    disk.concurrent = concurrent;
    if (environment.isEmpty())
        qunsetenv("ORVANE_READ_AHEAD");
    else
        qputenv("ORVANE_READ_AHEAD", environment.toUtf8());
    const int processors = std::clamp(int(std::thread::hardware_concurrency()) - 1, 1, 3);
    QCOMPARE(ReadAheadReaders(disk, QStringLiteral("/m/"), QStringLiteral("/b/"),
                              requested < 0 ? std::nullopt : std::optional(requested)),
             readers < 0 ? processors : readers);
    qunsetenv("ORVANE_READ_AHEAD");
}

QTEST_APPLESS_MAIN(TestReadAhead)
#include "tst_readahead.moc"
