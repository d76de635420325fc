#pragma once

#include "engine/FileOperations.h"
#include "engine/FolderListing.h"
#include "engine/FolderNames.h"
#include "platform/FileSystem.h"

#include <QHash>
#include <QList>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

class CChangeJournal;

// Reads the disk ahead of a walk on a few threads of its own: the listing of each folder the walk
// is about to enter, in the order it will enter them, and the status of each entry on both sides.
// The walk still decides alone and in its own order; what it takes from here is only a hint.
// A status is handed out only when it was a plain success or a plain "not found" and nothing the
// run changed since touches its path; everything else the walk reads again through its checks,
// with their retries and reports. Only a window of folders is read ahead of the walk, so the
// memory used does not grow with the tree.
class CReadAhead {
    struct Folder;
    enum class ChunkState : int;
    // The two sides of a chunk are read apart, so that two readers ask two disks at once.
    enum class Side : size_t { Walked, Other };

public:
    // What is read for each folder of the tree being walked.
    struct Plan {
        QString walkRoot;           // the tree being walked, a full path ending in "/"
        QString otherRoot;          // its counterpart, ending in "/"
        bool subfolders = true;     // read ahead below the root too
        bool compare = false;       // the status of each file on the walked side, and of each entry's counterpart
        bool listOther = false;     // the listing of each folder's counterpart
        // Keep the walked side's listings for a later plan whose counterpart is this tree (the
        // mirroring pass after the backup pass), within Limits::kept entries.
        bool keepListings = false;
        // Entries the walk passes over: folder (a full path ending in "/") and the entry. Called on
        // the readers' threads.
        std::function<bool(const QString &folder, const FolderEntry &entry)> leavesOut;
    };

    // How far the readers may get ahead of the walk: folders listed but not yet taken, and their
    // entries together (at least one folder is always read). A folder's statuses are read in
    // chunks of entries, so that a large folder is shared among the readers. At most kept entries
    // of listings are kept for the next plan (about 16 MB at 2^17).
    struct Limits {
        int folders = 64;
        qsizetype entries = 16384;
        qsizetype chunk = 64;
        qsizetype kept = 1 << 17;
    };

    // The walk's hold on one folder: what was read of it, and the folders below it. Letting go of
    // a folder drops it and everything read below it.
    class Ticket {
    public:
        Ticket() = default;
        Ticket(Ticket &&other) noexcept;
        Ticket &operator=(Ticket &&other) noexcept;
        Ticket(const Ticket &) = delete;
        Ticket &operator=(const Ticket &) = delete;
        ~Ticket();

        explicit operator bool() const { return m_folder != nullptr; }

        // Waits for the folder's listing (or reads it now, when no reader has begun it). True, with
        // the entries the walk keeps and those it passes over (the files; all of them where
        // listings are kept), when the folder was listed whole and nothing the run changed touches
        // it since; otherwise the walk lists it itself.
        bool Listing(CFolderListing &entries, CFolderListing &leftOut);
        // The status of the file at index of that listing, on the walked side (path is its full
        // path), when it was read successfully and is unchanged since.
        std::optional<FileStatus> Walked(qsizetype index, const QString &path);
        // What was read of the counterpart (at path) of the entry at index: found, or plainly not
        // there, and unchanged since.
        std::optional<KnownStatus> Counterpart(qsizetype index, const QString &path);
        // The names and kinds in the counterpart folder (otherFolder, ending in "/"), when it was
        // listed whole and nothing the run changed touches it since.
        const CFolderNames *OtherEntries(const QString &otherFolder);
        // The subfolder of this folder with that name.
        Ticket Child(QStringView name);

    private:
        friend class CReadAhead;
        Ticket(CReadAhead *pool, std::shared_ptr<Folder> folder);
        void Release();
        // The side (Walked or Other) of the chunk of entries holding index, once it is read; false
        // when it never will be.
        bool AwaitChunk(qsizetype index, Side side, quint64 *generation);
        // The counterpart's listing, once it is read (or read now, when no reader has begun it).
        bool AwaitOther();

        CReadAhead *m_pool = nullptr;
        std::shared_ptr<Folder> m_folder;
        bool m_listingUsed = false;     // the walk goes by the listing read here
        bool m_listingTaken = false;    // the listing was waited for
    };

    CReadAhead(FileSystem &disk, const CChangeJournal &journal, int readers, Limits limits);
    CReadAhead(FileSystem &disk, const CChangeJournal &journal, int readers);
    CReadAhead(const CReadAhead &) = delete;
    CReadAhead &operator=(const CReadAhead &) = delete;
    virtual ~CReadAhead();

    // Begins reading the tree of the plan; the walk takes its root with Root().
    void Start(Plan plan);
    Ticket Root();
    // Drops whatever was read and not taken, and waits until no reader reads any more. Every
    // ticket must be let go before.
    void Finish();

    int Readers() const { return int(m_threads.size()); }
    // Folders read by the readers and not yet taken by the walk, and their entries.
    int FoldersAhead() const;
    qsizetype EntriesAhead() const;
    // True when the readers have read everything the window lets them read for now.
    bool Settled();

private:
    struct Chunk;
    // A side of a chunk to read, or (chunk -1) the listing of a folder's counterpart.
    struct ChunkSide {
        std::weak_ptr<Folder> folder;
        qsizetype chunk;
        Side side;
    };

    // The names and kinds of a listing of the walked side, what the plan's leavesOut passed
    // over included, with the journal's generation before it was read.
    struct KeptListing {
        quint64 generation = 0;
        CFolderNames names;
    };

    // reader: the reader's number, which tells the side of the chunks it reads first.
    void Read(size_t reader);
    bool WorkOnce(std::unique_lock<std::mutex> &lock, size_t reader);
    bool ReadNextChunk(std::unique_lock<std::mutex> &lock, size_t reader);
    static std::atomic<ChunkState> &StateOf(Folder &folder, const ChunkSide &item);
    static bool IsPending(const ChunkSide &item);
    std::shared_ptr<Folder> NextFolder();
    bool HasRoom() const;
    // Lists a folder ahead of the walk, counted against the window, and publishes it.
    void ListAhead(std::unique_lock<std::mutex> &lock, const std::shared_ptr<Folder> &folder);
    void ListAside(std::unique_lock<std::mutex> &lock);
    void ListFolder(Folder &folder);
    void ListOther(Folder &folder);
    void Keep(Folder &folder);
    static CFolderNames NamesOf(std::initializer_list<const CFolderListing *> lists);
    std::optional<KeptListing> TakeKept(const QString &path);
    void ReadChunk(Folder &folder, Chunk &chunk, Side side);
    // What was read of the entry at index on that side; only once its chunk side is done.
    const KnownStatus &HintOf(const Folder &folder, qsizetype index, Side side) const;
    void Publish(const std::shared_ptr<Folder> &folder);
    void Cancel(Folder &folder);
    void Uncount(Folder &folder);
    // Wakes the readers when there is new work or room, the walk when it waits.
    void WakeReaders();
    void WakeReadersForRoom();
    void WakeWalk();
    template <typename Ready>
    void WaitFor(std::unique_lock<std::mutex> &lock, Ready ready);
    void FreeSpent(std::unique_lock<std::mutex> &lock);
    QString WalkedFolder(const Folder &folder) const;
    QString OtherFolder(const Folder &folder) const;

    FileSystem &m_disk;
    const CChangeJournal &m_journal;
    const Limits m_limits;
    Plan m_plan;

    mutable std::mutex m_mutex;
    std::condition_variable m_work;     // readers: a folder or chunk to read, room made, or quit
    std::condition_variable m_ready;    // the walk: a folder listed, a chunk read, a reader idle
    int m_idleReaders = 0;
    int m_waiting = 0;
    std::shared_ptr<Folder> m_root;
    // Where the readers stand in the walk's order: folders with the next child to look at.
    std::vector<std::pair<std::shared_ptr<Folder>, size_t>> m_cursor;
    std::deque<ChunkSide> m_chunks;
    // Listings kept from the plan before, by full folder path; each is handed out once.
    QHash<QString, KeptListing> m_kept;
    // Changed under the mutex; read without it only to spare making a listing that will not fit.
    std::atomic<qsizetype> m_keptEntries = 0;
    // Folders the walk is done with, freed by whichever thread has nothing better to do: a
    // reader without work, or the walk while it waits; a reader frees them at once past the limit
    // (a higher one kept a million-file rescan 10 MB larger, for no gain in time).
    std::vector<std::shared_ptr<Folder>> m_spent;
    static constexpr size_t SpentLimit = 16;
    int m_ahead = 0;
    qsizetype m_aheadEntries = 0;
    int m_busy = 0;
    bool m_active = false;
    bool m_quit = false;
    bool m_sidesApart = false;          // two readers or more: each keeps to one side where it can
    std::vector<std::thread> m_threads;
};

// How many readers go ahead of a walk from the master folder masterRoot to the backup folder
// backupRoot: none where the disk cannot be read from several threads; requested when given
// (or the number in the environment variable ORVANE_READ_AHEAD), at most 4; otherwise by the
// types of the two file systems and the number of processors.
int ReadAheadReaders(FileSystem &disk, const QString &masterRoot, const QString &backupRoot,
                     std::optional<int> requested);
