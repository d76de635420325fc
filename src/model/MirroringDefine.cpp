#include "model/MirroringDefine.h"

#include <algorithm>

CMirroringDefine::CMirroringDefine()
    : m_table(std::make_unique<CFolderSetting[]>(Capacity))
{
}

CMirroringDefine::CMirroringDefine(const CMirroringDefine &other)
    : CMirroringDefine()
{
    assign(other);
}

CMirroringDefine &CMirroringDefine::operator=(const CMirroringDefine &other)
{
    assign(other);
    return *this;
}

CMirroringDefine::~CMirroringDefine() = default;

void CMirroringDefine::adopt(std::unique_ptr<CFolderSetting[]> table, int count)
{
    if (!table)
        table = std::make_unique<CFolderSetting[]>(Capacity);
    m_table = std::move(table);
    setCount(count);
}

void CMirroringDefine::assign(const CMirroringDefine &other)
{
    if (&other == this)
        return;
    std::copy_n(other.m_table.get(), Capacity, m_table.get());
    m_count = other.m_count;
}

void CMirroringDefine::fill(const CFolderSetting *records, int n, bool append)
{
    const int start = append ? m_count : 0;
    n = std::clamp(n, 0, Capacity - start);
    if (records)
        std::copy_n(records, n, m_table.get() + start);
    m_count = start + n;
}

void CMirroringDefine::setCount(int count)
{
    m_count = std::clamp(count, 0, Capacity);
}
