#pragma once

#include "res/CommandIds.h"
#include "ui/CommandState.h"

#include <QString>

class QUrl;

// What the main frame, its dialog bar and the notification-area icon ask of the main view. The
// frame builds its menus and buttons from the command tables and asks the view whether each
// command is enabled; the view keeps the folder settings and carries out the commands on them.
class ViewCommands {
public:
    virtual ~ViewCommands() = default;

    // The values the enable rules look at, as they are now.
    virtual ViewState State() const = 0;
    // Carries out a command when CommandState allows it now; a disabled one is ignored silently.
    virtual void ExecuteCommand(CommandId command) = 0;
    // The project box picked another project: save the active one, load that one, show it.
    // Picking the active project again does nothing.
    virtual void SwitchToProject(int project) = 0;
    // The main window shows for the first time: fill the list and, for an unattended start,
    // begin 全更新 half a second later.
    virtual void FirstShown() = 0;
    // An item dropped on the main window, opened as the program's document (which holds
    // nothing, so nothing is read): the view starts over as after its first showing. An item
    // that cannot be opened as a file, a folder for one, is refused with a message and changes
    // nothing. True when it was opened.
    virtual bool OpenDocument(const QUrl &item) = 0;
    // Asks an active run to stop, as the stop command does (also when the session ends).
    virtual void StopRun() = 0;
    // The text of a command's menu item where it depends on the settings, computed when a menu
    // holding it opens (withShortcut: the menu shows the item's shortcut); empty where the
    // menu's own text stands.
    virtual QString MenuText(CommandId command, bool withShortcut) const = 0;
    // Saves the active project; false when the store could not take it (it said so already).
    virtual bool SaveActiveProject() = 0;
};
