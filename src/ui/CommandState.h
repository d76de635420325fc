#pragma once

#include "res/CommandIds.h"

// What the enable rules of the commands look at, as plain values.
struct ViewState {
    bool running = false;          // a run is active
    bool stopRequested = false;    // its stop was asked for already
    int selectedRow = -1;          // the folder-setting list's selected row; -1 none
    int count = 0;                 // folder settings of the active project
    bool globalOutputLog = false;  // the global log is on
    bool selectedOutputLog = false;   // the selected setting writes its own log
};

// Whether a command may run now. The one place of every enable rule: menus, the tool bar, the
// context menu, the notification-area menu and each handler ask it, the last right before acting.
bool CommandState(CommandId command, const ViewState &state);
