#include "ui/dialogs/SelectionMove.h"

#include <algorithm>

SelectionMove MoveSelection(std::vector<bool> selected, int caret, MoveDirection direction)
{
    const int count = int(selected.size());
    const int step = int(direction);
    SelectionMove move;
    if (std::none_of(selected.begin(), selected.end(), [](bool on) { return on; })) {
        if (caret < 0 || caret >= count) {
            move.selected = std::move(selected);
            return move;
        }
        selected[size_t(caret)] = true;
        move.caret = caret;
    }

    // Walk from the end the items move towards; the boundary is the first place that a
    // selected item can no longer leave, because the ones before it are already packed there.
    int boundary = step < 0 ? 0 : count - 1;
    for (int n = 0; n < count; ++n) {
        const int i = step < 0 ? n : count - 1 - n;
        if (!selected[size_t(i)])
            continue;
        const int target = i + step;
        if (i != boundary) {
            move.swaps.emplace_back(i, target);
            const bool targetWasSelected = selected[size_t(target)];
            selected[size_t(target)] = true;
            selected[size_t(i)] = targetWasSelected;
        }
        boundary -= step;
        if (!move.caret && target >= 0)
            move.caret = std::min(target, count - 1);
    }
    move.selected = std::move(selected);
    return move;
}
