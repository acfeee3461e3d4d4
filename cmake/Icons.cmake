# The interface icons: SVG sources in resources/icons/src/, listed in its
# icons.txt, rendered to PNG by the build and embedded under
# :/resources/icons/<name>.png through a Qt resource file of their own.
#
#   vpn_render_icons(<out-rcc-sources-variable>)
#
# Styled icons become <name>_black.png and <name>_white.png. The renderer is a
# small Qt program (iconrender) built first; the Poppins fonts are handed to it
# so that text in a source is drawn with the product's own fonts.
function(vpn_render_icons out)
    set(src_dir "${CMAKE_SOURCE_DIR}/resources/icons/src")
    set(manifest "${src_dir}/icons.txt")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${manifest}")

    if(NOT TARGET iconrender)
        add_executable(iconrender "${src_dir}/iconrender.cpp")
        target_link_libraries(iconrender PRIVATE Qt5::Gui Qt5::Svg)
        vpn_apply_warnings(iconrender)
        set_target_properties(iconrender PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/buildtools")
    endif()

    set(fonts "${CMAKE_SOURCE_DIR}/resources/fonts/Poppins-Regular.ttf"
              "${CMAKE_SOURCE_DIR}/resources/fonts/Poppins-Bold.ttf")
    set(font_args "")
    foreach(font ${fonts})
        list(APPEND font_args --font "${font}")
    endforeach()

    set(out_dir "${CMAKE_BINARY_DIR}/icons")
    set(qrc_text "<RCC>\n  <qresource prefix=\"/\">\n")
    set(pngs "")
    file(STRINGS "${manifest}" lines)
    foreach(line ${lines})
        string(STRIP "${line}" line)
        if(line STREQUAL "" OR line MATCHES "^#")
            continue()
        endif()
        string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
        list(LENGTH fields count)
        if(count LESS 4)
            message(FATAL_ERROR "${manifest}: cannot read the line '${line}'")
        endif()
        list(GET fields 0 source)
        list(GET fields 1 name)
        list(GET fields 2 width)
        list(GET fields 3 height)
        set(variants "-")
        if(count GREATER 4)
            list(GET fields 4 kind)
            if(NOT kind STREQUAL "styled")
                message(FATAL_ERROR "${manifest}: unknown kind '${kind}' in '${line}'")
            endif()
            set(variants black white)
        endif()
        foreach(variant ${variants})
            if(variant STREQUAL "-")
                set(file_name "${name}.png")
                set(color_args "")
            else()
                set(file_name "${name}_${variant}.png")
                if(variant STREQUAL "black")
                    set(color_args --color "#000000")
                else()
                    set(color_args --color "#ffffff")
                endif()
            endif()
            set(png "${out_dir}/${file_name}")
            get_filename_component(png_dir "${png}" DIRECTORY)
            add_custom_command(OUTPUT "${png}"
                COMMAND "${CMAKE_COMMAND}" -E make_directory "${png_dir}"
                # In sanitizer builds the offscreen platform's own leaks at exit are not the tool's.
                COMMAND "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
                        $<TARGET_FILE:iconrender> "${src_dir}/${source}" "${png}" ${width} ${height}
                        ${color_args} ${font_args}
                DEPENDS iconrender "${src_dir}/${source}" ${fonts}
                COMMENT "Rendering icon ${file_name}"
                VERBATIM)
            list(APPEND pngs "${png}")
            string(APPEND qrc_text "    <file alias=\"resources/icons/${file_name}\">${png}</file>\n")
        endforeach()
    endforeach()
    string(APPEND qrc_text "  </qresource>\n</RCC>\n")

    set(qrc "${CMAKE_CURRENT_BINARY_DIR}/icons.qrc")
    file(CONFIGURE OUTPUT "${qrc}" CONTENT "${qrc_text}")
    # rcc runs only after every icon is rendered.
    qt5_add_resources(rcc_sources "${qrc}")
    set_property(SOURCE ${rcc_sources} APPEND PROPERTY OBJECT_DEPENDS ${pngs})
    set(${out} ${rcc_sources} PARENT_SCOPE)
endfunction()
