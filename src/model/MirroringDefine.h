#pragma once

#include "model/FolderSetting.h"

#include <memory>

// The folder settings of one project: a fixed table of 1000 records, of which the first count()
// are in use. Records beyond the count keep their values, so assign() and a later larger count
// expose what was copied, never stale data of this object.
class CMirroringDefine {
public:
    static constexpr int Capacity = 1000;

    CMirroringDefine();
    CMirroringDefine(const CMirroringDefine &other);
    CMirroringDefine &operator=(const CMirroringDefine &other);
    virtual ~CMirroringDefine();

    // Takes ownership of a table of Capacity records; count is clamped to 0..Capacity.
    void Adopt(std::unique_ptr<CFolderSetting[]> table, int count);
    // Copies all Capacity records, in use or not, and the count.
    void Assign(const CMirroringDefine &other);
    // Copies n records to index 0 (append false) or after the records in use (append true);
    // what would pass Capacity is left out.
    void Fill(const CFolderSetting *records, int n, bool append);

    CFolderSetting *Records() { return m_table.get(); }
    const CFolderSetting *Records() const { return m_table.get(); }
    int Count() const { return m_count; }
    void SetCount(int count);

private:
    std::unique_ptr<CFolderSetting[]> m_table;
    int m_count = 0;
};
