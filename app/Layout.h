// Where everything stands in the main window, in client pixels of a display at 100 % (96 DPI).
// The dialog places its children from this table, each number scaled to the display's DPI (the
// Scaled functions below), and its tests check against it; the end-to-end tests keep numbers of
// their own, as the outside view.
#pragma once

#include <windows.h>

#include "platform/Dpi.h"

namespace layout {

// The expanded window, and the collapsed one, as large as its background.
inline constexpr SIZE kWindow = {940, 600};
inline constexpr SIZE kCollapsedWindow = {556, 600};
// Rows 0 to kDragBandBottom, both inclusive, are the title band the window is dragged by.
inline constexpr int kDragBandBottom = 41;

// The collapse bar: its image covers kBarImage; the static that takes its clicks leaves out the
// image's lowest rows.
inline constexpr POINT kBarOrigin = {531, 41};
inline constexpr RECT kBarImage = {kBarOrigin.x, kBarOrigin.y, 554, 599};
inline constexpr RECT kBarStatic = {kBarOrigin.x, kBarOrigin.y, kBarImage.right, 565};
inline constexpr RECT kBarText = {536, 330, 551, 400};

// The panes on either side of the bar. The search page sits shifted up and left in its pane,
// which cuts its top rows and left columns away.
inline constexpr RECT kSearchPane = {3, kBarOrigin.y, kBarOrigin.x, 554};
inline constexpr POINT kSearchPageOffset = {-5, -65};
inline constexpr RECT kNewsPane = {kBarStatic.right, kBarOrigin.y, 937, 598};

// The four share buttons in a row along the bottom, left to right; each is sized by its strip.
inline constexpr POINT kFirstShareButton = {12, 560};
inline constexpr int kShareButtonPitch = 131;

// The minimise and close buttons, each kSmallButton in size: where they are created, where the
// collapsed window has them, and where an expand puts them (one pixel lower than at creation).
struct SmallButtonPlaces {
    POINT minimize;
    POINT close;
};
inline constexpr SIZE kSmallButton = {21, 19};
inline constexpr SmallButtonPlaces kSmallButtonsAtStart = {{886, 10}, {910, 10}};
inline constexpr SmallButtonPlaces kSmallButtonsCollapsed = {{479, 10}, {503, 10}};
inline constexpr SmallButtonPlaces kSmallButtonsExpanded = {{886, 11}, {910, 11}};

// The numbers above on a display at dpi. Every edge and corner is scaled on its own, so things
// that meet at 100 % meet at every scale.
constexpr int Scaled(int value, UINT dpi) { return qv::ScaleToDpi(value, dpi); }
constexpr POINT Scaled(POINT point, UINT dpi) { return {Scaled(point.x, dpi), Scaled(point.y, dpi)}; }
constexpr SIZE Scaled(SIZE size, UINT dpi) { return {Scaled(size.cx, dpi), Scaled(size.cy, dpi)}; }
constexpr RECT Scaled(const RECT& rect, UINT dpi) {
    return {Scaled(rect.left, dpi), Scaled(rect.top, dpi), Scaled(rect.right, dpi), Scaled(rect.bottom, dpi)};
}

}  // namespace layout
