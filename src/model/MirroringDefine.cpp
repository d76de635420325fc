#include "model/MirroringDefine.h"

#include <algorithm>

CMirroringDefine::CMirroringDefine()
    : m_table(std::make_unique<CFolderSetting[]>(Capacity))
{
}

CMirroringDefine::CMirroringDefine(const CMirroringDefine &other)
    : CMirroringDefine()
{
    Assign(other);
}

CMirroringDefine &CMirroringDefine::operator=(const CMirroringDefine &other)
{
    Assign(other);
    return *this;
}

CMirroringDefine::~CMirroringDefine() = default;

void CMirroringDefine::Adopt(std::unique_ptr<CFolderSetting[]> table, int count)
{
    if (!table)
        table = std::make_unique<CFolderSetting[]>(Capacity);
    m_table = std::move(table);
    SetCount(count);
}

void CMirroringDefine::Assign(const CMirroringDefine &other)
{
    if (&other == this)
        return;
    std::copy_n(other.m_table.get(), Capacity, m_table.get());
    m_count = other.m_count;
}

void CMirroringDefine::Fill(const CFolderSetting *records, int n, bool append)
{
    const int start = append ? m_count : 0;
    n = std::clamp(n, 0, Capacity - start);
    if (records)
        std::copy_n(records, n, m_table.get() + start);
    m_count = start + n;
}

void CMirroringDefine::SetCount(int count)
{
    m_count = std::clamp(count, 0, Capacity);
}
