#include "ui/PaneGeometry.h"

#include <algorithm>

int CPaneGeometry::DividerPosition(int requested, int clientHeight)
{
    int position = requested < TopSnap ? 0 : requested;
    // Measured from the requested place, not the snapped one: a tiny view puts the bar at its bottom.
    if (requested + BottomSnap > clientHeight)
        position = clientHeight - BarHeight;
    return position;
}

CPaneGeometry::Edges CPaneGeometry::UpperPane(int divideY, QSize client)
{
    return {0, 0, client.width(), divideY};
}

CPaneGeometry::Edges CPaneGeometry::DividerBar(int divideY, QSize client)
{
    return {0, divideY, client.width(), divideY + BarHeight};
}

CPaneGeometry::Edges CPaneGeometry::LowerPane(int divideY, QSize client)
{
    return {0, divideY + BarHeight, client.width(), client.height()};
}

std::optional<QRect> CPaneGeometry::ListRect(const Edges &pane)
{
    Edges inner = pane;
    if (inner.right - inner.left > 0) {
        ++inner.left;
        --inner.right;
    }
    if (inner.bottom - inner.top > 0) {
        ++inner.top;
        --inner.bottom;
    }
    if (inner.right < 0 || inner.bottom < 0)
        return std::nullopt;
    return QRect(inner.left, inner.top, std::max(0, inner.right - inner.left), std::max(0, inner.bottom - inner.top));
}
