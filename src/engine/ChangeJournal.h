#pragma once

#include <QHash>
#include <QString>

#include <atomic>
#include <deque>
#include <utility>

// The paths a run has changed, in order, so that what was read of the disk before a change can be
// told from what may still stand. Only the walk's thread records and asks; other threads only
// take the current generation before they read.
//
// Paths are kept as 64-bit hashes: two paths that share a hash only make a read count as stale
// that was not, and a stale read is read again; a change is never missed.
class CChangeJournal {
public:
    // The number of changes recorded so far. A reader takes it before it reads: a later change of
    // a path, of a folder above it or of anything below it makes that read stale.
    quint64 Generation() const { return m_generation.load(std::memory_order_acquire); }

    // After a change at path (a file or a folder, with or without a trailing "/").
    void Record(const QString &path);
    // After a folder was made at path where there was none: the folder and those above it
    // changed, but what was read below it still stands, as nothing was there then or is now.
    void RecordCreated(const QString &path);
    // A file that changes all through the run without being recorded (the run's own log): every
    // read of it counts as stale.
    void RecordAlways(const QString &path);
    // True when a change recorded after generation touches path: the path itself, a folder above
    // it, or something below it. Old changes are forgotten once there are too many to keep; what
    // was read before them then counts as stale.
    bool ChangedSince(const QString &path, quint64 generation) const;

    // How many changes are kept before the older half is forgotten (about 40 bytes each). A
    // first backup records three or four changes per file while readers look up to 16 384
    // entries ahead: fewer would make most of what they read stale before the walk gets to it.
    static constexpr qsizetype Capacity = 65536;

private:
    void Add(const QString &path, QHash<quint64, quint64> &items);
    void Forget(qsizetype count);

    std::atomic<quint64> m_generation{0};
    quint64 m_horizon = 0;              // changes up to here are forgotten: earlier reads count as stale
    QHash<quint64, quint64> m_changed;  // path -> generation of its last change
    QHash<quint64, quint64> m_created;  // folder made -> generation it was made in
    QHash<quint64, quint64> m_inside;   // folder -> generation of the last change below it
    QHash<quint64, bool> m_always;
    std::deque<std::pair<quint64, quint64>> m_order;    // generation, path
};
