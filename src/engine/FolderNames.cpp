#include "engine/FolderNames.h"
#include <QHashFunctions>
#include <QtMath>
#include <algorithm>

void CFolderNames::Reserve(qsizetype entries, qsizetype characters)
{
    m_listing.Reserve(entries, characters);
    if (m_listing.Size() == 0 && !HasRoom(entries)) {
        const quint64 needed = quint64((entries * 4 + 2) / 3);
        m_slots = QList<quint32>(qsizetype(qNextPowerOfTwo(needed - 1)), NoEntry);
    }
}

void CFolderNames::Clear()
{
    m_listing.Clear();
    m_slots.clear();
}

bool CFolderNames::HasRoom(qsizetype entries) const
{
    // At most three quarters full, so that a probe ends soon at an empty slot.
    return entries * 4 <= m_slots.size() * 3;
}

qsizetype CFolderNames::SlotOf(QStringView name) const
{
    const size_t mask = size_t(m_slots.size()) - 1;
    for (size_t slot = qHash(name) & mask;; slot = (slot + 1) & mask) {
        const quint32 index = m_slots.at(qsizetype(slot));
        if (index == NoEntry || NameAt(index) == name)
            return qsizetype(slot);
    }
}

void CFolderNames::Grow()
{
    QList<quint32> table(std::max<qsizetype>(16, m_slots.size() * 2), NoEntry);
    m_slots.swap(table);
    for (qsizetype index = 0; index < m_listing.Size(); ++index)
        m_slots[SlotOf(NameAt(index))] = quint32(index);
}

void CFolderNames::Add(QStringView name, ItemKind kind)
{
    if (!HasRoom(m_listing.Size() + 1))
        Grow();
    const qsizetype slot = SlotOf(name);
    if (m_slots.at(slot) != NoEntry) {
        m_listing.SetKindAt(m_slots.at(slot), kind);
        return;
    }
    m_slots[slot] = quint32(m_listing.Size());
    m_listing.Append(name, kind);
}

std::optional<ItemKind> CFolderNames::Find(QStringView name) const
{
    if (m_slots.isEmpty())
        return std::nullopt;
    const quint32 index = m_slots.at(SlotOf(name));
    if (index == NoEntry)
        return std::nullopt;
    return m_listing.KindAt(index);
}
