#pragma once
#include "platform/FileSystem.h"
#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

// The names and kinds of one folder's entries, for looking names up. All names share one block of
// characters and the lookup table is a plain array, so a folder costs a few allocations instead
// of a string and a hash node per entry: the mirroring pass keeps the master's listings of a whole
// pass this way, and frees them as cheaply. Copies share the data until one of them is changed.
class CFolderNames {
public:
    void Reserve(qsizetype entries, qsizetype characters);
    // A name added twice keeps the kind it was added with last.
    void Add(QStringView name, ItemKind kind);
    void Clear();

    std::optional<ItemKind> Find(QStringView name) const;
    // Entries in the order they were added, a name added twice at its first place.
    qsizetype Size() const { return m_entries.size(); }
    QStringView NameAt(qsizetype index) const;
    ItemKind KindAt(qsizetype index) const { return ItemKind(m_entries.at(index).kind); }

private:
    // Eight bytes: a name is at most a few hundred characters, a folder's names far below 4 G.
    struct Entry {
        quint32 offset;
        quint16 length;
        quint8 kind;            // an ItemKind
    };
    static constexpr quint32 NoEntry = ~quint32(0);
    // The slot of name: where it is, or the empty slot where it would go.
    qsizetype SlotOf(QStringView name) const;
    bool HasRoom(qsizetype entries) const;
    void Grow();

    // A list rather than a string: its sharing between threads is all in inline code, which the
    // thread checker sees (a string's copy is out of line in Qt and shows as a race).
    QList<char16_t> m_characters;
    QList<Entry> m_entries;
    QList<quint32> m_slots;     // indexes into m_entries, open addressing; a power of two in size
};
