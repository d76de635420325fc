#include "engine/FolderListing.h"
#include <algorithm>

void CFolderListing::Append(QStringView name, ItemKind kind, bool nameValid)
{
    // Room for a usual folder from the start: growing both lists step by step cost more than
    // the listing's own reading.
    if (m_entries.capacity() == 0)
        Reserve(FirstRoom, FirstRoom * 24);
    const qsizetype offset = m_characters.size();
    m_entries.append({quint32(offset), quint16(name.size()), quint8(kind), quint8(nameValid)});
    m_characters.resize(offset + name.size());
    std::copy(name.utf16(), name.utf16() + name.size(), m_characters.data() + offset);
}

void CFolderListing::Reserve(qsizetype entries, qsizetype characters)
{
    m_entries.reserve(entries);
    m_characters.reserve(characters);
}

void CFolderListing::Clear()
{
    m_characters.clear();
    m_entries.clear();
}

QStringView CFolderListing::NameAt(qsizetype index) const
{
    const Entry &entry = m_entries.at(index);
    return QStringView(m_characters.constData() + entry.offset, entry.length);
}
