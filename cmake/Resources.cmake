# Generates one Qt resource file from everything under qml/ and resources/, so
# a new file needs no hand-edited .qrc. The icon sources are left out (the
# build renders them, cmake/Icons.cmake); the Qt Quick Controls configuration
# goes to the root, where Qt looks for it.
#   vpn_generate_qrc(<out-variable>)
function(vpn_generate_qrc out)
    file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE "${CMAKE_SOURCE_DIR}"
        "${CMAKE_SOURCE_DIR}/qml/*"
        "${CMAKE_SOURCE_DIR}/resources/*")
    list(FILTER files EXCLUDE REGEX "(^|/)\\.|~$|^resources/icons/src/")
    list(SORT files)
    set(qrc "${CMAKE_BINARY_DIR}/vpnclient.qrc")
    set(text "<RCC>\n  <qresource prefix=\"/\">\n")
    foreach(f ${files})
        set(alias "${f}")
        if(f STREQUAL "resources/qtquickcontrols2.conf")
            set(alias "qtquickcontrols2.conf")
        endif()
        string(APPEND text "    <file alias=\"${alias}\">${CMAKE_SOURCE_DIR}/${f}</file>\n")
    endforeach()
    string(APPEND text "  </qresource>\n</RCC>\n")
    file(CONFIGURE OUTPUT "${qrc}" CONTENT "${text}")
    set(${out} "${qrc}" PARENT_SCOPE)
endfunction()
