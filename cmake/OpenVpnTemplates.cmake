# OpenVPN configuration templates with the deployment's CA certificate and
# tls-crypt key inlined, embedded as :/resources/config/general.ovpn and
# :/resources/config/stunnel.ovpn through a Qt resource file of their own.
#
#   vpn_openvpn_templates(<out-qrc-variable> <template-dir>)
#
# The deployment folder is watched: adding or changing ca.crt or
# tls-crypt.key there reconfigures the build and regenerates the templates.
function(vpn_openvpn_templates out template_dir)
    file(GLOB watched CONFIGURE_DEPENDS "${VPN_DEPLOYMENT_DIR}/*")

    set(ca_file "${VPN_DEPLOYMENT_DIR}/ca.crt")
    set(key_file "${VPN_DEPLOYMENT_DIR}/tls-crypt.key")
    set(VPN_CA_CERTIFICATE "")
    set(VPN_TLS_CRYPT_KEY "")
    if(EXISTS "${ca_file}")
        file(READ "${ca_file}" text)
        string(REGEX MATCH "-----BEGIN CERTIFICATE-----[^-]*-----END CERTIFICATE-----" VPN_CA_CERTIFICATE "${text}")
    endif()
    if(EXISTS "${key_file}")
        file(READ "${key_file}" text)
        string(REGEX MATCH "-----BEGIN OpenVPN Static key V1-----[^-]*-----END OpenVPN Static key V1-----"
            VPN_TLS_CRYPT_KEY "${text}")
    endif()
    if(NOT VPN_CA_CERTIFICATE)
        message(WARNING "Deployment '${VPN_DEPLOYMENT}': no PEM certificate in ${ca_file}; "
            "the OpenVPN templates carry an empty <ca> block and OpenVPN will refuse them.")
    endif()
    if(NOT VPN_TLS_CRYPT_KEY)
        message(WARNING "Deployment '${VPN_DEPLOYMENT}': no OpenVPN static key in ${key_file}; "
            "the OpenVPN templates carry an empty <tls-crypt> block and OpenVPN will refuse them.")
    endif()
    # Line-feed line ends only, whatever the deployment files use.
    string(REPLACE "\r" "" VPN_CA_CERTIFICATE "${VPN_CA_CERTIFICATE}")
    string(REPLACE "\r" "" VPN_TLS_CRYPT_KEY "${VPN_TLS_CRYPT_KEY}")

    set(dir "${CMAKE_CURRENT_BINARY_DIR}/config")
    set(qrc_text "<RCC>\n  <qresource prefix=\"/\">\n")
    foreach(name general.ovpn stunnel.ovpn)
        configure_file("${template_dir}/${name}.in" "${dir}/${name}" @ONLY NEWLINE_STYLE UNIX)
        string(APPEND qrc_text "    <file alias=\"resources/config/${name}\">${dir}/${name}</file>\n")
    endforeach()
    string(APPEND qrc_text "  </qresource>\n</RCC>\n")
    set(qrc "${CMAKE_CURRENT_BINARY_DIR}/openvpn_templates.qrc")
    file(CONFIGURE OUTPUT "${qrc}" CONTENT "${qrc_text}")
    set(${out} "${qrc}" PARENT_SCOPE)
endfunction()
