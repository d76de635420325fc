#include "engine/ReadAhead.h"

#include "engine/ChangeJournal.h"
#include "platform/Paths.h"

#include <QVarLengthArray>

#include <algorithm>
#include <atomic>

enum class CReadAhead::ChunkState : int { Pending, Reading, Done, Abandoned };

namespace {

// Only a plain answer stands in for a check: any other failure is the check's to retry and report.
KnownStatus Known(const std::optional<FileStatus> &status, const FsError &error)
{
    KnownStatus known;
    known.status = status;
    known.notFound = !status && error.kind == FsErrorKind::NotFound;
    return known;
}

bool Usable(const KnownStatus &known)
{
    return known.status || known.notFound;
}

// path == root + relative + name, without building the right-hand side.
[[maybe_unused]] bool IsPathOf(const QString &path, const QString &root, const QString &relative, QStringView name)
{
    const QStringView view(path);
    return view.size() == root.size() + relative.size() + name.size() && view.startsWith(root)
        && view.sliced(root.size()).startsWith(relative) && view.endsWith(name);
}

} // namespace

struct CReadAhead::Chunk {
    qsizetype begin = 0;
    qsizetype end = 0;
    // Of each side: how far it is read, and the journal's generation before it was read.
    std::atomic<ChunkState> state[2] = {ChunkState::Pending, ChunkState::Pending};
    quint64 generation[2] = {0, 0};
    // What was read of each entry, made by the thread that reads the side: memory written by
    // one thread only until the chunk is done.
    std::unique_ptr<KnownStatus[]> hints[2];
};

struct CReadAhead::Folder {
    enum class Stage { Waiting, Listing, Listed };

    explicit Folder(QString path) : relative(std::move(path)) {}

    const QString relative;             // "" for the root, else ending in "/"
    // Guarded by the pool's mutex.
    Stage stage = Stage::Waiting;
    bool cancelled = false;             // skipped by the walk, or left by it
    bool ahead = false;                 // counts against the window
    qsizetype weight = 0;               // entries counted against the window
    Folder *parent = nullptr;
    size_t slot = 0;                    // in the parent's children
    std::vector<std::shared_ptr<Folder>> children;
    size_t nextChild = 0;               // where the walk looks for the next child by name
    // Written by whoever lists the folder, before it is published.
    quint64 generation = 0;
    bool listed = false;
    CFolderListing entries;
    CFolderListing leftOut;
    std::optional<CFolderNames> kept;   // entries and leftOut, for the next plan
    // The counterpart's listing, read apart from the folder's own like a side of a chunk.
    std::atomic<ChunkState> otherState{ChunkState::Pending};
    quint64 otherGeneration = 0;
    bool otherListed = false;
    CFolderNames otherEntries;
    std::unique_ptr<Chunk[]> chunks;
    size_t chunkCount = 0;
};

QString CReadAhead::WalkedFolder(const Folder &folder) const
{
    return m_plan.walkRoot + folder.relative;
}

QString CReadAhead::OtherFolder(const Folder &folder) const
{
    return m_plan.otherRoot + folder.relative;
}

// ---------------------------------------------------------------------------------------------
// The walk's side

CReadAhead::Ticket::Ticket(CReadAhead *pool, std::shared_ptr<Folder> folder)
    : m_pool(folder ? pool : nullptr), m_folder(std::move(folder))
{
}

CReadAhead::Ticket::Ticket(Ticket &&other) noexcept
    : m_pool(std::exchange(other.m_pool, nullptr))
    , m_folder(std::move(other.m_folder))
    , m_listingUsed(std::exchange(other.m_listingUsed, false))
    , m_listingTaken(std::exchange(other.m_listingTaken, false))
{
}

CReadAhead::Ticket &CReadAhead::Ticket::operator=(Ticket &&other) noexcept
{
    if (this != &other) {
        Release();
        m_pool = std::exchange(other.m_pool, nullptr);
        m_folder = std::move(other.m_folder);
        m_listingUsed = std::exchange(other.m_listingUsed, false);
        m_listingTaken = std::exchange(other.m_listingTaken, false);
    }
    return *this;
}

CReadAhead::Ticket::~Ticket()
{
    Release();
}

void CReadAhead::Ticket::Release()
{
    if (!m_folder)
        return;
    {
        const std::lock_guard<std::mutex> lock(m_pool->m_mutex);
        m_pool->Cancel(*m_folder);
        m_pool->m_spent.push_back(std::move(m_folder));
        m_pool->WakeReadersForRoom();
    }
    m_folder.reset();
    m_pool = nullptr;
}

bool CReadAhead::Ticket::Listing(CFolderListing &entries, CFolderListing &leftOut)
{
    if (!m_folder)
        return false;
    Folder &folder = *m_folder;
    {
        std::unique_lock<std::mutex> lock(m_pool->m_mutex);
        m_pool->Uncount(folder);
        if (folder.stage == Folder::Stage::Waiting) {
            // No reader has got here yet: the walk reads it, and the readers go on below it.
            folder.stage = Folder::Stage::Listing;
            lock.unlock();
            m_pool->ListFolder(folder);
            lock.lock();
            m_pool->Publish(m_folder);
        } else if (folder.stage == Folder::Stage::Listing) {
            m_pool->ListAside(lock);
        }
        m_pool->WaitFor(lock, [&] { return folder.stage == Folder::Stage::Listed; });
        m_pool->WakeReadersForRoom();
    }

    m_listingUsed = folder.listed && !m_pool->m_journal.ChangedSince(m_pool->WalkedFolder(folder), folder.generation);
    m_listingTaken = true;
    if (!m_listingUsed) {
        // The walk lists the folder itself; the statuses read for this listing are of no use.
        for (size_t i = 0; i < folder.chunkCount; ++i) {
            for (std::atomic<ChunkState> &state : folder.chunks[i].state) {
                ChunkState pending = ChunkState::Pending;
                state.compare_exchange_strong(pending, ChunkState::Abandoned);
            }
        }
        return false;
    }
    entries = folder.entries;
    leftOut = folder.leftOut;
    return true;
}

bool CReadAhead::Ticket::AwaitChunk(qsizetype index, Side side, quint64 *generation)
{
    Folder &folder = *m_folder;
    const size_t k = size_t(index / m_pool->m_limits.chunk);
    if (k >= folder.chunkCount)
        return false;
    Chunk &chunk = folder.chunks[k];
    std::atomic<ChunkState> &atomicState = chunk.state[size_t(side)];
    ChunkState state = atomicState.load(std::memory_order_acquire);
    if (state == ChunkState::Pending) {
        // No reader has begun it: the walk reads it itself, the way a reader would, rather than
        // wait or read its entries one by one.
        if (atomicState.compare_exchange_strong(state, ChunkState::Reading, std::memory_order_acq_rel)) {
            m_pool->ReadChunk(folder, chunk, side);
            atomicState.store(ChunkState::Done, std::memory_order_release);
            *generation = chunk.generation[size_t(side)];
            return true;
        }
    }
    if (state == ChunkState::Reading) {
        std::unique_lock<std::mutex> lock(m_pool->m_mutex);
        m_pool->WaitFor(lock, [&] {
            state = atomicState.load(std::memory_order_acquire);
            return state != ChunkState::Reading;
        });
    }
    *generation = chunk.generation[size_t(side)];
    return state == ChunkState::Done;
}

std::optional<FileStatus> CReadAhead::Ticket::Walked(qsizetype index, const QString &path)
{
    quint64 generation = 0;
    if (!m_listingUsed || index < 0 || index >= m_folder->entries.Size())
        return std::nullopt;
    Q_ASSERT(IsPathOf(path, m_pool->m_plan.walkRoot, m_folder->relative, m_folder->entries.NameAt(index)));
    if (!AwaitChunk(index, Side::Walked, &generation))
        return std::nullopt;
    const KnownStatus &walked = m_pool->HintOf(*m_folder, index, Side::Walked);
    if (!walked.status || m_pool->m_journal.ChangedSince(path, generation))
        return std::nullopt;
    return walked.status;
}

std::optional<KnownStatus> CReadAhead::Ticket::Counterpart(qsizetype index, const QString &path)
{
    quint64 generation = 0;
    if (!m_listingUsed || index < 0 || index >= m_folder->entries.Size())
        return std::nullopt;
    Q_ASSERT(IsPathOf(path, m_pool->m_plan.otherRoot, m_folder->relative, m_folder->entries.NameAt(index)));
    if (!AwaitChunk(index, Side::Other, &generation))
        return std::nullopt;
    const KnownStatus &other = m_pool->HintOf(*m_folder, index, Side::Other);
    if (!Usable(other) || m_pool->m_journal.ChangedSince(path, generation))
        return std::nullopt;
    return other;
}

bool CReadAhead::Ticket::AwaitOther()
{
    Folder &folder = *m_folder;
    ChunkState state = folder.otherState.load(std::memory_order_acquire);
    if (state == ChunkState::Pending
        && folder.otherState.compare_exchange_strong(state, ChunkState::Reading, std::memory_order_acq_rel)) {
        m_pool->ListOther(folder);
        folder.otherState.store(ChunkState::Done, std::memory_order_release);
        return true;
    }
    if (state == ChunkState::Reading) {
        std::unique_lock<std::mutex> lock(m_pool->m_mutex);
        m_pool->WaitFor(lock, [&] {
            state = folder.otherState.load(std::memory_order_acquire);
            return state != ChunkState::Reading;
        });
    }
    return state == ChunkState::Done;
}

const CFolderNames *CReadAhead::Ticket::OtherEntries(const QString &otherFolder)
{
    if (!m_listingTaken || !m_pool->m_plan.listOther || otherFolder != m_pool->OtherFolder(*m_folder)
        || !AwaitOther() || !m_folder->otherListed
        || m_pool->m_journal.ChangedSince(otherFolder, m_folder->otherGeneration))
        return nullptr;
    return &m_folder->otherEntries;
}

CReadAhead::Ticket CReadAhead::Ticket::Child(QStringView name)
{
    if (!m_folder)
        return {};
    const std::lock_guard<std::mutex> lock(m_pool->m_mutex);
    const std::vector<std::shared_ptr<Folder>> &children = m_folder->children;
    const qsizetype length = m_folder->relative.size() + name.size() + 1;
    const auto named = [&](const std::shared_ptr<Folder> &child) {
        const QStringView relative(child->relative);
        return relative.size() == length && relative.sliced(m_folder->relative.size()).startsWith(name);
    };
    // The walk asks in listing order; a name out of that order is looked for from the start.
    for (size_t pass = 0; pass < 2; ++pass) {
        for (size_t i = pass == 0 ? m_folder->nextChild : 0; i < children.size(); ++i) {
            if (children[i] && named(children[i])) {
                m_folder->nextChild = i + 1;
                return Ticket(m_pool, children[i]);
            }
        }
    }
    return {};
}

// ---------------------------------------------------------------------------------------------
// The pool

CReadAhead::CReadAhead(FileSystem &disk, const CChangeJournal &journal, int readers)
    : CReadAhead(disk, journal, readers, Limits{})
{
}

CReadAhead::CReadAhead(FileSystem &disk, const CChangeJournal &journal, int readers, Limits limits)
    : m_disk(disk), m_journal(journal), m_limits(limits)
{
    m_sidesApart = readers > 1;
    for (int i = 0; i < readers; ++i)
        m_threads.emplace_back([this, i] { Read(size_t(i)); });
}

CReadAhead::~CReadAhead()
{
    Finish();
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_work.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

void CReadAhead::WakeReaders()
{
    if (m_idleReaders > 0)
        m_work.notify_all();
}

void CReadAhead::WakeReadersForRoom()
{
    // Readers that wait for room are woken once a quarter of the window is free again, not for
    // every folder the walk takes: each wake-up costs both threads a trip through the kernel.
    const bool ample = m_ahead == 0
        || (m_ahead <= m_limits.folders * 3 / 4 && m_aheadEntries <= m_limits.entries * 3 / 4);
    if (ample || m_spent.size() >= SpentLimit)
        WakeReaders();
}

void CReadAhead::WakeWalk()
{
    if (m_waiting > 0)
        m_ready.notify_all();
}

template <typename Ready>
void CReadAhead::WaitFor(std::unique_lock<std::mutex> &lock, Ready ready)
{
    // Time the walk would spend waiting goes into freeing the folders it is done with.
    ++m_waiting;
    while (!ready()) {
        if (!m_spent.empty())
            FreeSpent(lock);
        else
            m_ready.wait(lock);
    }
    --m_waiting;
}

void CReadAhead::FreeSpent(std::unique_lock<std::mutex> &lock)
{
    std::vector<std::shared_ptr<Folder>> spent = std::exchange(m_spent, {});
    lock.unlock();
    spent.clear();
    lock.lock();
}

void CReadAhead::Start(Plan plan)
{
    Finish();
    const std::lock_guard<std::mutex> lock(m_mutex);
    // Kept listings serve only the plan that walks their counterpart next.
    if (!plan.listOther || plan.otherRoot != m_plan.walkRoot) {
        m_kept.clear();
        m_keptEntries = 0;
    }
    m_plan = std::move(plan);
    m_root = std::make_shared<Folder>(QString());
    m_cursor.emplace_back(m_root, 0);
    m_active = true;
    WakeReaders();
}

CReadAhead::Ticket CReadAhead::Root()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return Ticket(this, std::exchange(m_root, nullptr));
}

void CReadAhead::Finish()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_active = false;
    if (m_root)
        Cancel(*m_root);
    m_root.reset();
    m_cursor.clear();
    m_chunks.clear();
    // Readers still at work hold the plan's paths and the folder they read.
    WaitFor(lock, [this] { return m_busy == 0; });
    m_ahead = 0;
    m_aheadEntries = 0;
}

int CReadAhead::FoldersAhead() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_ahead;
}

qsizetype CReadAhead::EntriesAhead() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_aheadEntries;
}

bool CReadAhead::Settled()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_busy > 0)
        return false;
    if (std::any_of(m_chunks.cbegin(), m_chunks.cend(), IsPending))
        return false;
    return !m_active || !HasRoom() || !NextFolder();
}

void CReadAhead::Read(size_t reader)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_quit) {
        if (m_spent.size() >= SpentLimit) {
            FreeSpent(lock);
            continue;
        }
        if (m_active && WorkOnce(lock, reader))
            continue;
        if (!m_spent.empty()) {
            FreeSpent(lock);
            continue;
        }
        ++m_idleReaders;
        m_work.wait(lock);
        --m_idleReaders;
    }
}

bool CReadAhead::WorkOnce(std::unique_lock<std::mutex> &lock, size_t reader)
{
    // Listings come first, up to the window: a listing is quick, and the walk waits for one it
    // finds half read, while a chunk it reaches unread it simply reads itself. So the readers stay
    // a window ahead and read statuses from its far end back, and meet the walk only once.
    const std::shared_ptr<Folder> folder = HasRoom() ? NextFolder() : nullptr;
    if (!folder)
        return ReadNextChunk(lock, reader);
    ListAhead(lock, folder);
    return true;
}

void CReadAhead::ListAhead(std::unique_lock<std::mutex> &lock, const std::shared_ptr<Folder> &folder)
{
    folder->stage = Folder::Stage::Listing;
    folder->ahead = true;
    ++m_ahead;
    ++m_busy;
    lock.unlock();
    ListFolder(*folder);
    lock.lock();
    --m_busy;
    Publish(folder);
}

std::atomic<CReadAhead::ChunkState> &CReadAhead::StateOf(Folder &folder, const ChunkSide &item)
{
    return item.chunk < 0 ? folder.otherState : folder.chunks[size_t(item.chunk)].state[size_t(item.side)];
}

bool CReadAhead::IsPending(const ChunkSide &item)
{
    const std::shared_ptr<Folder> folder = item.folder.lock();
    return folder && !folder->cancelled
        && StateOf(*folder, item).load(std::memory_order_acquire) == ChunkState::Pending;
}

bool CReadAhead::ReadNextChunk(std::unique_lock<std::mutex> &lock, size_t reader)
{
    // The oldest, which the walk has read itself or passed, are dropped, so that the queue holds
    // no more than the window.
    while (!m_chunks.empty() && !IsPending(m_chunks.front()))
        m_chunks.pop_front();
    // Where there are readers for both sides, each keeps to its own among the newest chunks, so
    // that both trees (two disks, or two file-system daemons) are asked at once.
    if (m_sidesApart) {
        const Side own = Side(reader % 2);
        const size_t near = std::min<size_t>(m_chunks.size(), 4);
        for (size_t i = 1; i <= near; ++i) {
            ChunkSide &item = m_chunks[m_chunks.size() - i];
            if (item.side == own) {
                std::swap(item, m_chunks.back());
                break;
            }
        }
    }
    // The newest first: the chunks furthest ahead of the walk, which the walk will not reach
    // while they are read. The walk reads those it reaches unread itself.
    while (!m_chunks.empty()) {
        const ChunkSide item = m_chunks.back();
        m_chunks.pop_back();
        const std::shared_ptr<Folder> folder = item.folder.lock();
        if (!folder || folder->cancelled)
            continue;
        std::atomic<ChunkState> &state = StateOf(*folder, item);
        ChunkState pending = ChunkState::Pending;
        if (!state.compare_exchange_strong(pending, ChunkState::Reading, std::memory_order_acq_rel))
            continue;
        ++m_busy;
        lock.unlock();
        if (item.chunk < 0)
            ListOther(*folder);
        else
            ReadChunk(*folder, folder->chunks[size_t(item.chunk)], item.side);
        lock.lock();
        --m_busy;
        state.store(ChunkState::Done, std::memory_order_release);
        WakeWalk();
        return true;
    }
    return false;
}

bool CReadAhead::HasRoom() const
{
    return m_ahead == 0 || (m_ahead < m_limits.folders && m_aheadEntries < m_limits.entries);
}

std::shared_ptr<CReadAhead::Folder> CReadAhead::NextFolder()
{
    // Depth first, subfolders in listing order: the order in which the walk enters them.
    while (!m_cursor.empty()) {
        const std::shared_ptr<Folder> folder = m_cursor.back().first;
        if (folder->cancelled) {
            m_cursor.pop_back();
            continue;
        }
        if (folder->stage == Folder::Stage::Waiting)
            return folder;
        // What lies below a folder being listed is not known yet.
        if (folder->stage == Folder::Stage::Listing)
            return nullptr;
        size_t &next = m_cursor.back().second;
        if (next >= folder->children.size()) {
            m_cursor.pop_back();
            continue;
        }
        const std::shared_ptr<Folder> child = folder->children[next++];
        if (child)
            m_cursor.emplace_back(child, 0);
    }
    return nullptr;
}

void CReadAhead::ListAside(std::unique_lock<std::mutex> &lock)
{
    // The walk would wait for a reader to list the folder it needs, and what lies below that
    // folder is not known yet: it lists the next folder beside it, or beside a folder above it,
    // which the readers then pass over on their way down.
    if (!HasRoom() || m_cursor.size() < 2)
        return;
    for (auto frame = std::next(m_cursor.rbegin()); frame != m_cursor.rend(); ++frame) {
        const std::vector<std::shared_ptr<Folder>> &children = frame->first->children;
        for (size_t i = frame->second; i < children.size(); ++i) {
            const std::shared_ptr<Folder> child = children[i];
            if (!child || child->cancelled || child->stage != Folder::Stage::Waiting)
                continue;
            ListAhead(lock, child);
            return;
        }
    }
}

void CReadAhead::ListFolder(Folder &folder)
{
    folder.generation = m_journal.Generation();
    const QString path = WalkedFolder(folder);
    folder.listed = m_disk.ListFolder(path, [&](const FolderEntry &entry) {
        if (!m_plan.leavesOut || !m_plan.leavesOut(path, entry))
            folder.entries.Append(entry);
        else if (entry.kind == ItemKind::File || m_plan.keepListings)
            folder.leftOut.Append(entry);
        return true;
    }, nullptr);
    // Made here, outside the lock, while the names are still in the cache; Keep decides.
    const qsizetype size = folder.entries.Size() + folder.leftOut.Size();
    if (m_plan.keepListings && folder.listed && m_keptEntries.load(std::memory_order_relaxed) + size <= m_limits.kept)
        folder.kept = NamesOf({&folder.entries, &folder.leftOut});
}

CFolderNames CReadAhead::NamesOf(std::initializer_list<const CFolderListing *> lists)
{
    qsizetype entries = 0;
    qsizetype characters = 0;
    for (const CFolderListing *list : lists) {
        entries += list->Size();
        for (qsizetype i = 0; i < list->Size(); ++i)
            characters += list->NameAt(i).size();
    }
    CFolderNames names;
    names.Reserve(entries, characters);
    for (const CFolderListing *list : lists) {
        for (qsizetype i = 0; i < list->Size(); ++i)
            names.Add(list->NameAt(i), list->KindAt(i));
    }
    return names;
}

void CReadAhead::ListOther(Folder &folder)
{
    // The backup pass listed this folder a moment ago; the run never changes the master side, and
    // the journal tells when it did change since.
    if (std::optional<KeptListing> kept = TakeKept(OtherFolder(folder))) {
        folder.otherGeneration = kept->generation;
        folder.otherListed = true;
        folder.otherEntries = std::move(kept->names);
        return;
    }
    folder.otherGeneration = m_journal.Generation();
    folder.otherListed = m_disk.ListFolder(OtherFolder(folder), [&](const FolderEntry &entry) {
        folder.otherEntries.Add(entry.name, entry.kind);
        return true;
    }, nullptr);
}

void CReadAhead::Keep(Folder &folder)
{
    if (!folder.kept)
        return;
    const qsizetype size = folder.kept->Size();
    if (m_keptEntries + size <= m_limits.kept) {
        m_kept.insert(WalkedFolder(folder), {folder.generation, std::move(*folder.kept)});
        m_keptEntries += size;
    }
    folder.kept.reset();
}

std::optional<CReadAhead::KeptListing> CReadAhead::TakeKept(const QString &path)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_kept.find(path);
    if (found == m_kept.end())
        return std::nullopt;
    KeptListing kept = std::move(*found);
    m_kept.erase(found);
    m_keptEntries -= kept.names.Size();
    return kept;
}

void CReadAhead::ReadChunk(Folder &folder, Chunk &chunk, Side side)
{
    chunk.generation[size_t(side)] = m_journal.Generation();
    std::unique_ptr<KnownStatus[]> &hints = chunk.hints[size_t(side)];
    hints = std::make_unique<KnownStatus[]>(size_t(chunk.end - chunk.begin));
    QVarLengthArray<QStringView, 64> names;
    QVarLengthArray<qsizetype, 64> index;
    for (qsizetype i = chunk.begin; i < chunk.end; ++i) {
        // The walk reads the status of the files it walks, and of every counterpart.
        if (side == Side::Other || IsFileKind(folder.entries.KindAt(i))) {
            names.append(folder.entries.NameAt(i));
            index.append(i);
        }
    }
    m_disk.ReadStatuses(side == Side::Walked ? WalkedFolder(folder) : OtherFolder(folder),
                        FileSystem::StatusNames(names.constData(), size_t(names.size())),
                        [&](qsizetype i, const std::optional<FileStatus> &status, const FsError &error) {
        hints[size_t(index[i] - chunk.begin)] = Known(status, error);
    });
}

const KnownStatus &CReadAhead::HintOf(const Folder &folder, qsizetype index, Side side) const
{
    const Chunk &chunk = folder.chunks[size_t(index / m_limits.chunk)];
    return chunk.hints[size_t(side)][size_t(index - chunk.begin)];
}

void CReadAhead::Publish(const std::shared_ptr<Folder> &folder)
{
    folder->stage = Folder::Stage::Listed;
    if (m_plan.keepListings)
        Keep(*folder);
    if (folder->ahead) {
        folder->weight = folder->entries.Size();
        m_aheadEntries += folder->weight;
    }
    if (!folder->cancelled && folder->listed) {
        if (m_plan.subfolders) {
            for (qsizetype i = 0; i < folder->entries.Size(); ++i) {
                if (folder->entries.KindAt(i) != ItemKind::Folder)
                    continue;
                QString relative = folder->relative;
                relative += folder->entries.NameAt(i);
                relative += PathSeparator;
                auto child = std::make_shared<Folder>(std::move(relative));
                child->parent = folder.get();
                child->slot = folder->children.size();
                folder->children.push_back(std::move(child));
            }
        }
        if (m_plan.listOther)
            m_chunks.push_back({folder, -1, Side::Other});
        const qsizetype count = folder->entries.Size();
        if (m_plan.compare && count > 0) {
            folder->chunkCount = size_t((count + m_limits.chunk - 1) / m_limits.chunk);
            folder->chunks = std::make_unique<Chunk[]>(folder->chunkCount);
            for (size_t i = 0; i < folder->chunkCount; ++i) {
                folder->chunks[i].begin = qsizetype(i) * m_limits.chunk;
                folder->chunks[i].end = std::min(count, qsizetype(i + 1) * m_limits.chunk);
                m_chunks.push_back({folder, qsizetype(i), Side::Other});
                m_chunks.push_back({folder, qsizetype(i), Side::Walked});
            }
        }
    }
    WakeReaders();
    WakeWalk();
}

void CReadAhead::Uncount(Folder &folder)
{
    if (!folder.ahead)
        return;
    folder.ahead = false;
    --m_ahead;
    m_aheadEntries -= folder.weight;
    folder.weight = 0;
}

void CReadAhead::Cancel(Folder &folder)
{
    if (!folder.cancelled) {
        folder.cancelled = true;
        Uncount(folder);
        for (const std::shared_ptr<Folder> &child : folder.children) {
            if (child) {
                child->parent = nullptr;
                Cancel(*child);
            }
        }
        folder.children.clear();
    }
    // What was read of it goes as soon as no reader holds it.
    if (folder.parent) {
        Folder *parent = std::exchange(folder.parent, nullptr);
        parent->children[folder.slot].reset();
    }
}

// ---------------------------------------------------------------------------------------------
// How many readers

namespace {

// How a file system answers reads, as far as readers ahead of a walk are concerned.
enum class Medium { Local, Remote, Removable };

struct TypeRule {
    QStringView prefix;
    Medium medium;
};

constexpr TypeRule TypeRules[] = {
    {u"fuse", Medium::Remote}, {u"nfs", Medium::Remote}, {u"cifs", Medium::Remote}, {u"smb", Medium::Remote},
    {u"9p", Medium::Remote}, {u"sshfs", Medium::Remote}, {u"ceph", Medium::Remote}, {u"afs", Medium::Remote},
    {u"vfat", Medium::Removable}, {u"exfat", Medium::Removable}, {u"msdos", Medium::Removable},
    {u"ntfs", Medium::Removable}, {u"iso9660", Medium::Removable}, {u"udf", Medium::Removable},
};

Medium MediumOf(const QString &type)
{
    for (const TypeRule &rule : TypeRules) {
        if (type.startsWith(rule.prefix))
            return rule.medium;
    }
    return Medium::Local;
}

std::optional<int> EnvironmentReaders()
{
    bool ok = false;
    const int readers = qEnvironmentVariableIntValue("ORVANE_READ_AHEAD", &ok);
    return ok ? std::optional(readers) : std::nullopt;
}

} // namespace

int ReadAheadReaders(FileSystem &disk, const QString &masterRoot, const QString &backupRoot,
                     std::optional<int> requested)
{
    constexpr int MostReaders = 4;
    if (!disk.SupportsConcurrentReads())
        return 0;
    if (!requested)
        requested = EnvironmentReaders();
    if (requested)
        return std::clamp(*requested, 0, MostReaders);
    const Medium master = MediumOf(disk.FileSystemType(masterRoot));
    const Medium backup = MediumOf(disk.FileSystemType(backupRoot));
    // A USB stick or card answers one request at a time, and slowly: one reader goes along with
    // the walk. Behind a network or a daemon every read waits: two readers keep a request in
    // flight while the walk decides (more only queue up at the other end, as measured through a
    // FUSE passthrough). Local disks answer warm reads at processor speed: one processor is the
    // walk's, the readers take the others.
    if (master == Medium::Removable || backup == Medium::Removable)
        return 1;
    if (master == Medium::Remote || backup == Medium::Remote)
        return 2;
    return std::clamp(int(std::thread::hardware_concurrency()) - 1, 1, 3);
}
