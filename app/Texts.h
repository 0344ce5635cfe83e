// Texts the tool shows. Sources are UTF-8; the compiler stores them as code page 936 bytes.
#pragma once

// The main window's title; a second instance finds the first by it.
inline constexpr const char kMainWindowTitle[] = "QUILVARA好感查询器";
// Tip of the notification-area icon (one character longer than the title).
inline constexpr const char kTrayTip[] = "QUILVARA好感度查询器";
// The collapse bar's text while the window is expanded (collapse) and while it is collapsed.
inline constexpr const char kBarTextCollapse[] = "收\r\n\r\n起\r\n\r\n<<";
inline constexpr const char kBarTextExpand[] = "展\r\n\r\n开\r\n\r\n>>";
// The system-menu item that keeps the window above other programs' windows.
inline constexpr const char kAlwaysOnTop[] = "总在最前";
// Said when the main window cannot be made; the system's words for the reason follow.
inline constexpr const char kStartFailed[] = "QUILVARA好感查询器无法启动。";
// Marks a running instance between processes.
inline constexpr const char kInstanceMutexName[] = "VEDAZIDA";
// Shown once the recommendation text is on the clipboard, and when it could not be put there:
// each failure says only what is true of the clipboard then.
inline constexpr const char kCopySucceeded[] = "复制成功，粘帖（Ctrl+V）到QQ上发给你的好友们把！";
inline constexpr const char kCopyFailedBusy[] = "复制失败：剪贴板正被其他程序占用，请稍后再试。";
inline constexpr const char kCopyFailedUnchanged[] = "复制失败，剪贴板上原有的内容未改动。";
inline constexpr const char kCopyFailedEmptied[] = "复制失败：剪贴板已被清空，但推荐文字未能放入，请再试一次。";
// What screen readers call the controls: the share buttons by the labels their artwork shows, the
// small buttons and the bar by what they do (the bar by what it does now), the panes by the pages.
inline constexpr const char kShareSinaName[] = "分享到新浪微博";
inline constexpr const char kShareQqName[] = "分享到腾讯微博";
inline constexpr const char kCopyTextName[] = "分享给我的好友";
inline constexpr const char kForumName[] = "登入论坛交流";
inline constexpr const char kMinimizeName[] = "最小化";
inline constexpr const char kCloseName[] = "关闭";
inline constexpr const char kBarNameCollapse[] = "收起";
inline constexpr const char kBarNameExpand[] = "展开";
inline constexpr const char kSearchPaneName[] = "物品查询";
inline constexpr const char kNewsPaneName[] = "新闻";
// The name of what pressing a button does, as Windows calls a push button's default action.
inline constexpr const char kPressActionName[] = "按下";
