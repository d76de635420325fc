#pragma once

#include <array>
#include <QtGlobal>

// Where the main window was and how wide the columns of its two lists are.
struct WindowLayout {
    // Screen rectangle of the main frame; all four non-zero means "restore it".
    qint32 left = 0;
    qint32 top = 0;
    qint32 right = 0;
    qint32 bottom = 0;
    std::array<qint32, 5> setupListWidths{};    // folder-setting list
    std::array<qint32, 5> reportListWidths{};   // report list

    bool HasPlacement() const { return left != 0 && top != 0 && right != 0 && bottom != 0; }

    friend bool operator==(const WindowLayout &, const WindowLayout &) = default;
};
