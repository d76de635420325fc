#pragma once

#include <QIcon>
#include <QString>

// The program's own pictures, drawn as SVG and compiled into the program, so they show the same
// on every desktop, with or without an icon theme.
class CAppIcons {
public:
    static constexpr int AppIcon = 128;
    static constexpr int FirstRunFrame = 147;   // 147 to 150: the icon while a run is active
    static constexpr int RunFrameCount = 4;
    static constexpr int ToolBarImageCount = 11;

    virtual ~CAppIcons() = default;

    // The icon of a resource number (128, 147 to 150); a null icon for any other number.
    static QIcon Icon(int resourceId);
    // A tool bar picture by its index (0 to 10, in the order of the tool bar's image strip).
    static QIcon ToolBarImage(int index);

    // The resource path of each picture; empty for an unknown one.
    static QString IconPath(int resourceId);
    static QString ToolBarImagePath(int index);
};
