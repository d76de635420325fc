#include "model/FolderSetting.h"

#include <algorithm>

CFolderSetting CFolderSetting::WithLoadDefaults()
{
    CFolderSetting record;
    record.Name = QStringLiteral(u"無題");
    record.ClearLog = false;
    return record;
}

void CFolderSetting::ApplyLoadRules()
{
    if (NetPathRetryCount < 1)
        NetPathRetryCount = 1;
    DeleteLimit = std::clamp(DeleteLimit, 0, DeleteLimitMaximum);
    // A stored "running" or "skipped" state is stale: no run is active at load time.
    if (Errors < 0)
        Errors = ErrorsUnknown;
}
