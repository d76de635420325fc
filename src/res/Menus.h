#pragma once

#include "res/CommandIds.h"

#include <QString>

#include <span>

// The menus and the tool bar as data: the windows build them from these tables, so their order,
// texts, mnemonics and shortcuts are kept in one place.

// One item of a menu; a separator when separator is set.
struct MenuItem {
    CommandId command = CommandId::About;
    const char16_t *text = nullptr;       // with "(&X)" mnemonics as Qt reads them
    const char16_t *shortcut = nullptr;   // as QKeySequence reads it; the menu shows it after a tab
    bool separator = false;

    QString Text() const { return QString::fromUtf16(text); }
    QString Shortcut() const { return shortcut ? QString::fromUtf16(shortcut) : QString(); }
};

struct Menu {
    const char16_t *title;
    std::span<const MenuItem> items;

    QString Title() const { return QString::fromUtf16(title); }
};

// One button of the tool bar; a separator when separator is set.
struct ToolButton {
    CommandId command = CommandId::About;
    int image = -1;         // index of the button's picture
    int textId = 0;         // string-table entry of the text under the picture
    bool separator = false;
};

class CMenus {
public:
    virtual ~CMenus() = default;

    // The menu bar of the main window, menu by menu.
    static std::span<const Menu> MainMenu();
    // The folder-setting list's menu on the right mouse button.
    static std::span<const MenuItem> SettingListMenu();
    // The notification-area icon's menu.
    static std::span<const MenuItem> TrayMenu();
    static std::span<const ToolButton> ToolBar();
};
