#pragma once

#include <optional>
#include <utility>
#include <vector>

enum class MoveDirection { Up = -1, Down = +1 };

// What moving the selected items of an extended-selection list by one place does: the
// exchanges of neighbours, in the order they are made, the selection afterwards, and where the
// caret goes (none: it stays where it is).
struct SelectionMove {
    std::vector<std::pair<int, int>> swaps;
    std::vector<bool> selected;
    std::optional<int> caret;
};

// A group of selected items already at the end they move towards stays where it is; every
// other selected item moves by one place and the unselected items it passes move the other
// way. Without a selection the caret item is taken alone and the caret stays on its position.
// Otherwise the caret goes where the first selected item that could be placed went (the last
// item when that lies beyond the list).
SelectionMove MoveSelection(std::vector<bool> selected, int caret, MoveDirection direction);
