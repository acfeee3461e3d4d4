# The client finds its engines beside itself: <appdir>/openvpn/bin/openvpn and
# <appdir>/stunnel/bin/stunnel. In the build tree (= install tree) they are
# symbolic links to the system's programs.
#
#   vpn_engine_links(<directory of the executable that uses them>)
function(vpn_engine_link dir relative program default_path)
    find_program(program_path NAMES ${program} PATHS /usr/sbin /usr/bin /sbin /bin NO_CACHE)
    if(NOT program_path)
        message(WARNING "'${program}' not found; ${relative} points to ${default_path}, "
            "install it with scripts/install-deps")
        set(program_path "${default_path}")
    endif()
    set(link "${dir}/${relative}")
    get_filename_component(link_dir "${link}" DIRECTORY)
    file(MAKE_DIRECTORY "${link_dir}")
    file(CREATE_LINK "${program_path}" "${link}" SYMBOLIC)
endfunction()

function(vpn_engine_links dir)
    vpn_engine_link("${dir}" openvpn/bin/openvpn openvpn /usr/sbin/openvpn)
    vpn_engine_link("${dir}" stunnel/bin/stunnel stunnel4 /usr/bin/stunnel4)
endfunction()
