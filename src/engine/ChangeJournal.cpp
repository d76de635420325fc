#include "engine/ChangeJournal.h"

#include "platform/Paths.h"

namespace {

constexpr quint64 HashBasis = 14695981039346656037ull;
constexpr quint64 HashPrime = 1099511628211ull;

// The path without a trailing separator; the root is the empty path, as it is when it is met
// as the folder above "/a".
QStringView Item(const QString &path)
{
    QStringView item(path);
    return item.endsWith(PathSeparator) ? item.chopped(1) : item;
}

// Calls visit(hash) for each folder above the item, outermost first ("/a/b" gives "", "/a"; the
// root is the empty prefix), and returns the item's own hash. One pass over the characters.
template <typename Visit>
quint64 HashPath(QStringView item, Visit visit)
{
    quint64 hash = HashBasis;
    for (const QChar c : item) {
        if (c == PathSeparator && visit(hash))
            return 0;
        hash = (hash ^ c.unicode()) * HashPrime;
    }
    return hash;
}

bool Later(const QHash<quint64, quint64> &changes, quint64 key, quint64 generation)
{
    const auto found = changes.constFind(key);
    return found != changes.cend() && *found > generation;
}

} // namespace

void CChangeJournal::Record(const QString &path)
{
    Add(path, m_changed);
}

void CChangeJournal::RecordCreated(const QString &path)
{
    Add(path, m_created);
}

void CChangeJournal::Add(const QString &path, QHash<quint64, quint64> &items)
{
    const quint64 generation = m_generation.load(std::memory_order_relaxed) + 1;
    const quint64 item = HashPath(Item(path), [&](quint64 folder) {
        m_inside.insert(folder, generation);
        return false;
    });
    items.insert(item, generation);
    m_order.emplace_back(generation, item);
    if (qsizetype(m_order.size()) > Capacity)
        Forget(Capacity / 2);
    // Published only now: a reader that sees this generation reads after the change.
    m_generation.store(generation, std::memory_order_release);
}

void CChangeJournal::RecordAlways(const QString &path)
{
    m_always.insert(HashPath(Item(path), [](quint64) { return false; }), true);
}

bool CChangeJournal::ChangedSince(const QString &path, quint64 generation) const
{
    const bool recent = generation == m_generation.load(std::memory_order_relaxed);
    if (recent && m_always.isEmpty())
        return false;
    if (generation < m_horizon)
        return true;
    bool above = false;
    const quint64 item = HashPath(Item(path), [&](quint64 folder) {
        above = !recent && Later(m_changed, folder, generation);
        return above;
    });
    if (above || m_always.contains(item))
        return true;
    return !recent
        && (Later(m_changed, item, generation) || Later(m_created, item, generation)
            || Later(m_inside, item, generation));
}

void CChangeJournal::Forget(qsizetype count)
{
    for (; count > 0 && !m_order.empty(); --count) {
        const auto [generation, item] = m_order.front();
        for (QHash<quint64, quint64> *items : {&m_changed, &m_created}) {
            const auto found = items->constFind(item);
            if (found != items->cend() && *found == generation)
                items->erase(found);
        }
        m_horizon = generation;
        m_order.pop_front();
    }
    m_inside.removeIf([this](const QHash<quint64, quint64>::iterator &entry) { return entry.value() <= m_horizon; });
}
