# The publisher's web hosts, with their scheme. The one place where they are set: override at
# configure time (-DQV_HOST_EVENT=https://...) to build for real hosts. The defaults are names in
# the reserved .example domain, so a build that was not configured can reach nobody.
set(QV_HOST_EVENT "http://event.vara.example" CACHE STRING
    "Event site: the item search page and the share endpoint")
set(QV_HOST_GAME "http://game.vara.example" CACHE STRING
    "Game site: the news article and the download page")
set(QV_HOST_FORUM "http://bbs.vara.example" CACHE STRING "The publisher's forum")
