#pragma once
#include "platform/FileSystem.h"
#include <QList>
#include <QStringView>

// One folder's entries in listing order, as the walk goes through them. All names share one block
// of characters, so a listing costs a few allocations instead of a string per entry: the walk
// lists every folder of both trees, and the readers ahead of it hand their listings across
// threads, where a string per name is memory touched once more by each thread. Copies share the
// data until one of them is changed.
class CFolderListing {
public:
    void Append(QStringView name, ItemKind kind, bool nameValid = true);
    void Append(const FolderEntry &entry) { Append(entry.name, entry.kind, entry.nameValid); }
    // Room for entries of characters in all; without it the first entry makes room for a usual
    // folder.
    void Reserve(qsizetype entries, qsizetype characters);
    void SetKindAt(qsizetype index, ItemKind kind) { m_entries[index].kind = quint8(kind); }
    void Clear();

    qsizetype Size() const { return m_entries.size(); }
    QStringView NameAt(qsizetype index) const;
    ItemKind KindAt(qsizetype index) const { return ItemKind(m_entries.at(index).kind); }
    // False when the name's bytes on disk are no valid UTF-8.
    bool NameValidAt(qsizetype index) const { return m_entries.at(index).nameValid != 0; }

private:
    struct Entry {
        quint32 offset;
        quint16 length;
        quint8 kind;            // an ItemKind
        quint8 nameValid;
    };

    static constexpr qsizetype FirstRoom = 64;

    // A list rather than a string: its sharing between threads is all in inline code, which the
    // thread checker sees (a string's copy is out of line in Qt and shows as a race).
    QList<char16_t> m_characters;
    QList<Entry> m_entries;
};
