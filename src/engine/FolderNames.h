#pragma once
#include "engine/FolderListing.h"
#include "platform/FileSystem.h"
#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

// The names and kinds of one folder's entries, for looking names up. The names are a listing (one
// block of characters) and the lookup table is a plain array, so a folder costs a few allocations
// instead of a string and a hash node per entry: the mirroring pass keeps the master's listings of
// a whole pass this way, and frees them as cheaply. Copies share the data until one of them is
// changed.
class CFolderNames {
public:
    void Reserve(qsizetype entries, qsizetype characters);
    // A name added twice keeps the kind it was added with last.
    void Add(QStringView name, ItemKind kind);
    void Clear();

    std::optional<ItemKind> Find(QStringView name) const;
    // Entries in the order they were added, a name added twice at its first place.
    qsizetype Size() const { return m_listing.Size(); }
    QStringView NameAt(qsizetype index) const { return m_listing.NameAt(index); }
    ItemKind KindAt(qsizetype index) const { return m_listing.KindAt(index); }

private:
    static constexpr quint32 NoEntry = ~quint32(0);
    // The slot of name: where it is, or the empty slot where it would go.
    qsizetype SlotOf(QStringView name) const;
    bool HasRoom(qsizetype entries) const;
    void Grow();

    CFolderListing m_listing;
    QList<quint32> m_slots;     // indexes into m_listing, open addressing; a power of two in size
};
