// Every web address the tool uses, composed from the build-time hosts (cmake/Hosts.cmake).
#pragma once

#include "HostConfig.h"

// The publisher's sites: the only ones the panes show pages of.
inline constexpr const char kEventSite[] = QV_HOST_EVENT;
inline constexpr const char kGameSite[] = QV_HOST_GAME;
inline constexpr const char kForumSite[] = QV_HOST_FORUM;
// Pages of the two panes.
inline constexpr const char kSearchPageUrl[] = QV_HOST_EVENT "/market/afq/?canvas_pos=search&keyword=vara";
inline constexpr const char kNewsArticleUrl[] = QV_HOST_GAME "/xzdy/20110803/1239434.shtml";
// Pages the share buttons open in the user's web browser.
inline constexpr const char kShareSinaUrl[] = QV_HOST_EVENT "/afqwb?t=sina";
inline constexpr const char kShareQqUrl[] = QV_HOST_EVENT "/afqwb?t=qq";
inline constexpr const char kForumUrl[] = QV_HOST_FORUM "/forum-1107-1.html";
// The text the copy button puts on the clipboard: it ends with the tool's download page.
inline constexpr const char kRecommendation[] =
    "发现个Quil的#vara#好感度查询器，能轻松搜NPC好感所需物品，送NPC礼物方便多了，下载地址是："
    QV_HOST_GAME "/afq.html";
