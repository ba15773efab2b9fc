#pragma once
// The list window's pane arithmetic, in twips: how the filter pane (top) and the
// list pane (bottom) share the height left by the toolbar, the status bar and
// the splitter bar. Computed in 64 bits and clamped into 0..INT32_MAX, so a very
// tall window or a filter of very many rows cannot overflow.

#include <cstdint>

namespace listlayout {

inline constexpr int32_t kMinWindowWidth = 10000;
inline constexpr int32_t kMinHeightAboveToolbar = 3520;  // minimum height = toolbar + this
inline constexpr int32_t kNonPaneHeight = 700;           // caption, borders, status bar and splitter
inline constexpr int32_t kMinTopPane = 1020;
inline constexpr int32_t kMinBottomPane = 1800;
inline constexpr int32_t kSplitterHeight = 60;
inline constexpr int32_t kFilterRowPitch = 390;
inline constexpr int32_t kFilterPaneBase = 630;
inline constexpr int32_t kStatisticsStripHeight = 660;  // at least
// A window opened from another sits this far right of and below it.
inline constexpr int32_t kCascadeLeft = 180;
inline constexpr int32_t kCascadeTop = 350;

struct PaneHeights {
    int32_t top = 0;
    int32_t bottom = 0;
    bool operator==(const PaneHeights&) const = default;
};

// Halves to the even neighbour, clamped into the 32-bit range.
int32_t RoundHalfEven(double value);
// h: the window's height less 700 and the toolbar's height.
int32_t SharedPaneHeight(double windowHeight, double toolbarHeight);
// The panes after the window was resized, from their current heights. wantedTop
// is the filter pane's height its rows (or the splitter) last asked for: a pane a
// smaller window squeezed below it gets it back first when the window grows, up
// to it and never beyond; the rest of the added height goes to the list pane.
PaneHeights PanesOnResize(int32_t h, double top, double bottom, int32_t wantedTop = 0);
// The filter pane's height for that many filter rows (0 counts as 1), before the
// window's height limits it.
int32_t FilterRowsHeight(int32_t rows);
// The panes while the splitter bar is dragged by y twips (negative: upwards).
PaneHeights PanesOnSplitterMove(int32_t h, double top, double bottom, double y);
// The panes for a filter of that many rows (0 counts as 1).
PaneHeights PanesForFilterRows(int32_t h, int32_t rows);

}  // namespace listlayout
