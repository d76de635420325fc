#include "ui/CommandState.h"

#include <array>

namespace {

using C = CommandId;
using Rule = bool (*)(const ViewState &);

constexpr bool Always(const ViewState &) { return true; }
constexpr bool NoRun(const ViewState &s) { return !s.running; }
constexpr bool Selected(const ViewState &s) { return s.selectedRow >= 0 && s.selectedRow < s.count; }
constexpr bool NoRunSelected(const ViewState &s) { return NoRun(s) && Selected(s); }
constexpr bool NoRunAny(const ViewState &s) { return NoRun(s) && s.count > 0; }
constexpr bool NotFirst(const ViewState &s) { return NoRunSelected(s) && s.selectedRow > 0; }
constexpr bool NotLast(const ViewState &s) { return NoRunSelected(s) && s.selectedRow < s.count - 1; }
constexpr bool StopOnce(const ViewState &s) { return s.running && !s.stopRequested; }
constexpr bool LogApplies(const ViewState &s)
{
    return NoRun(s) && (s.globalOutputLog || (Selected(s) && s.selectedOutputLog));
}

struct CommandRule {
    CommandId command;
    Rule enabled;
};

constexpr std::array Rules{
    CommandRule{C::AddSetting, NoRun},
    CommandRule{C::EditSetting, NoRunSelected},
    CommandRule{C::DeleteSetting, NoRunSelected},
    CommandRule{C::CopySetting, NoRunSelected},
    CommandRule{C::MoveUp, NotFirst},
    CommandRule{C::MoveDown, NotLast},
    CommandRule{C::FocusSettingList, NoRun},
    CommandRule{C::SelectProject, NoRun},
    CommandRule{C::EditProjectList, NoRun},
    CommandRule{C::EditProjectsButton, NoRun},
    CommandRule{C::TestSelected, NoRunSelected},
    CommandRule{C::TestAll, NoRunAny},
    CommandRule{C::UpdateSelected, NoRunSelected},
    CommandRule{C::UpdateAll, NoRunAny},
    CommandRule{C::Stop, StopOnce},
    CommandRule{C::OpenMasterFolder, Selected},
    CommandRule{C::OpenBackupFolder, Selected},
    CommandRule{C::OpenLogFile, LogApplies},
    CommandRule{C::StartCompareTool, NoRunSelected},
    CommandRule{C::OpenManual, Always},
    CommandRule{C::Options, NoRun},
    CommandRule{C::ShowWindow, Always},
    CommandRule{C::Exit, NoRun},
    CommandRule{C::ExitAfterRun, Always},
    CommandRule{C::ShutdownAfterRun, Always},
    CommandRule{C::About, Always},
};

} // namespace

bool CommandState(CommandId command, const ViewState &state)
{
    for (const CommandRule &rule : Rules) {
        if (rule.command == command)
            return rule.enabled(state);
    }
    return false;
}
