#pragma once

#include <QRect>
#include <QSize>

#include <optional>

// Where the main view puts its two lists and the divider between them, in pixels of the view;
// right and bottom edges are exclusive. Pure arithmetic, so the rules can be checked alone.
class CPaneGeometry {
public:
    static constexpr int BarHeight = 5;
    // A divider dragged closer than this to the top closes the upper pane.
    static constexpr int TopSnap = 8;
    // A divider dragged so that less than this is left below its top closes the lower pane.
    static constexpr int BottomSnap = 13;

    struct Edges {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
        friend bool operator==(const Edges &, const Edges &) = default;
    };

    virtual ~CPaneGeometry() = default;

    // The divider's top edge for a requested position in a view of the given height.
    static int DividerPosition(int requested, int clientHeight);

    static Edges UpperPane(int divideY, QSize client);
    static Edges DividerBar(int divideY, QSize client);
    static Edges LowerPane(int divideY, QSize client);
    // A list sits one pixel inside its pane; a dimension of no size gets no inset. None when the
    // pane lies above or left of the view, where the list stays where it was.
    static std::optional<QRect> ListRect(const Edges &pane);
};
