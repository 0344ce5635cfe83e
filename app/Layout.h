// Where everything stands in the main window, in client pixels. The dialog places its children
// from this table and its tests check against it; the end-to-end tests keep numbers of their own,
// as the outside view.
#pragma once

#include <windows.h>

namespace layout {

// The expanded window. Collapsed, it is as wide as its collapsed background.
inline constexpr SIZE kWindow = {940, 600};
// Rows 0 to kDragBandBottom, both inclusive, are the title band the window is dragged by.
inline constexpr int kDragBandBottom = 41;

// The collapse bar: its image stands at kBarOrigin; the static that takes its clicks leaves out
// the image's lowest rows.
inline constexpr POINT kBarOrigin = {531, 41};
inline constexpr RECT kBarStatic = {kBarOrigin.x, kBarOrigin.y, 554, 565};
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

}  // namespace layout
