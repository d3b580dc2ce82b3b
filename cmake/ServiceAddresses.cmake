# Where the program finds the remote services and the web pages it opens.
# The defaults are the real services; the demo build points them at the stand-in.
set(LUMETTA_API_GATEWAY "http://gw.api.alibaba.com" CACHE STRING
    "Scheme, host and optional port of the affiliate API gateway")
set(LUMETTA_OPEN_PLATFORM "https://api-sg.aliexpress.com" CACHE STRING
    "Scheme, host and optional port of the AliExpress Open Platform gateway (path /sync)")
set(LUMETTA_SHORTENER "https://clck.ru" CACHE STRING
    "Scheme, host and optional port of the URL shortener")
set(LUMETTA_PORTAL_HOST "portals.aliexpress.com" CACHE STRING "Host of the affiliate portal")
set(LUMETTA_MARKET_HOST "aliexpress.ru" CACHE STRING "Host of the marketplace's Russian pages")
set(LUMETTA_MAKER_SITE "http://dalvo.ru" CACHE STRING "Scheme and host of the maker's web site")
set(LUMETTA_EXTRA_CA_FILE "" CACHE FILEPATH
    "PEM file the TLS channel trusts besides the system store (empty: none)")
