# The publisher's web hosts, with their scheme. The one place where they are set: override at
# configure time (-DQV_HOST_EVENT=https://...) to build for real hosts. The defaults are names in
# the reserved .example domain, so a build that was not configured can reach nobody.
set(QV_HOST_EVENT "https://event.vara.example" CACHE STRING
    "Event site: the item search page and the share endpoint")
set(QV_HOST_GAME "https://game.vara.example" CACHE STRING
    "Game site: the news article and the download page")
set(QV_HOST_FORUM "https://bbs.vara.example" CACHE STRING "The publisher's forum")

# The panes have no address bar: over plain http, anyone on the network path decides what the
# user sees in them. Such a host can still be configured, but not silently.
foreach(host QV_HOST_EVENT QV_HOST_GAME QV_HOST_FORUM)
  if(NOT ${host} MATCHES "^https://")
    message(WARNING "${host} is ${${host}}: not https. Anyone on the network path can change the "
                    "pages the tool shows and the addresses it opens; use an https host for a real build.")
  endif()
endforeach()
