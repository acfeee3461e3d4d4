# Lab deployment: the local VPN deployment that lab/up builds (test-only values).
set(VPN_API_HOST "api.vpnlab.test")
set(VPN_FEED_HOST "feed.vpnlab.test")
set(VPN_API_TOKEN "WDRmJayRXfa7uUgchbcDkXHNMaRSrkqPbuxQIxcYKU1WkzsOQq9akOqjb2yYbaYOfMxn")
set(VPN_WG_PEER_PUBLIC_KEY "PUsbLO4Dq4cXOozicO1xmKvsQxV151bVZXB+r6p8N3M=")
