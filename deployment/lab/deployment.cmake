# Deployment data of the local lab (test-only values).
set(VPN_API_HOST "api.vpnlab.test")
set(VPN_FEED_HOST "feed.vpnlab.test")
