# Generates one Qt resource file from everything under qml/, resources/ and
# src/translations/*.qm, so a new file needs no hand-edited .qrc.
#   vpn_generate_qrc(<out-variable>)
function(vpn_generate_qrc out)
    file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE "${CMAKE_SOURCE_DIR}"
        "${CMAKE_SOURCE_DIR}/qml/*"
        "${CMAKE_SOURCE_DIR}/resources/*")
    list(FILTER files EXCLUDE REGEX "(^|/)\\.|~$")
    list(SORT files)
    set(qrc "${CMAKE_BINARY_DIR}/vpnclient.qrc")
    set(text "<RCC>\n  <qresource prefix=\"/\">\n")
    foreach(f ${files})
        string(APPEND text "    <file alias=\"${f}\">${CMAKE_SOURCE_DIR}/${f}</file>\n")
    endforeach()
    string(APPEND text "  </qresource>\n</RCC>\n")
    file(CONFIGURE OUTPUT "${qrc}" CONTENT "${text}")
    set(${out} "${qrc}" PARENT_SCOPE)
endfunction()
