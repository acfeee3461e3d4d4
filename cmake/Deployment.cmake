# Deployment data: API hosts, token, OpenVPN CA and tls-crypt key, WireGuard peer key.
# deployment/<name>/deployment.cmake sets the values; the certificate files sit beside it.
set(VPN_DEPLOYMENT_DIR "${CMAKE_SOURCE_DIR}/deployment/${VPN_DEPLOYMENT}")
if(NOT EXISTS "${VPN_DEPLOYMENT_DIR}/deployment.cmake")
    message(FATAL_ERROR "Deployment '${VPN_DEPLOYMENT}' has no ${VPN_DEPLOYMENT_DIR}/deployment.cmake")
endif()
include("${VPN_DEPLOYMENT_DIR}/deployment.cmake")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${VPN_DEPLOYMENT_DIR}/deployment.cmake")

foreach(var VPN_API_HOST VPN_FEED_HOST VPN_API_TOKEN VPN_WG_PEER_PUBLIC_KEY)
    if(NOT DEFINED ${var})
        set(${var} "")
    endif()
endforeach()

# The source revision and date of the build, for the start-up log.
execute_process(COMMAND git rev-parse --short=7 HEAD
    WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}"
    OUTPUT_VARIABLE VPN_REVISION OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT VPN_REVISION)
    set(VPN_REVISION "0000000")
endif()
