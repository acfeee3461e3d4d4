# One static library per subsystem, with the project's warning flags in one place.
#
#   vpn_add_module(<name> SOURCES a.cpp b.cpp [LINUX_SOURCES c.cpp] [DEPS lib...])
#
# The library is called vpn_<name>; its folder is on the include path of every
# target that links it. Each module is recorded so the client links all of them.
function(vpn_apply_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    target_compile_definitions(${target} PRIVATE QT_NO_FOREACH QT_DEPRECATED_WARNINGS_SINCE=0x050F00)
endfunction()

function(vpn_add_module name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINUX_SOURCES;DEPS" ${ARGN})
    set(sources ${ARG_SOURCES})
    if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
        list(APPEND sources ${ARG_LINUX_SOURCES})
    endif()
    add_library(vpn_${name} STATIC ${sources})
    target_include_directories(vpn_${name} PUBLIC "${CMAKE_CURRENT_SOURCE_DIR}")
    target_link_libraries(vpn_${name} PUBLIC ${ARG_DEPS})
    vpn_apply_warnings(vpn_${name})
    set_property(GLOBAL APPEND PROPERTY VPN_MODULES vpn_${name})
endfunction()

# An executable beside the client (daemon, tools).
#   vpn_add_executable(<name> SOURCES ... [DEPS ...] [OUTPUT_DIR subdir])
function(vpn_add_executable name)
    cmake_parse_arguments(ARG "" "OUTPUT_DIR" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
    vpn_apply_warnings(${name})
    if(ARG_OUTPUT_DIR)
        set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${VPN_APP_DIR}/${ARG_OUTPUT_DIR}")
    endif()
endfunction()

# A Qt Test executable registered with CTest.
#   vpn_add_test(<name> SOURCES ... [DEPS ...] [LABELS unit] [ENVIRONMENT K=V ...] [TIMEOUT s] [SERIAL]
#                [DESKTOP [ISOLATED]])
# With DESKTOP the test runs on a virtual desktop with a system tray
# (tests/lib/withtray.sh) instead of the offscreen platform, one at a time;
# with ISOLATED also without a network (scripts/isolated: loopback only).
function(vpn_add_test name)
    cmake_parse_arguments(ARG "SERIAL;DESKTOP;ISOLATED" "TIMEOUT" "SOURCES;DEPS;LABELS;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt5::Test ${ARG_DEPS})
    # Shared test helpers: in-test service, log capture.
    target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}/tests/lib")
    target_compile_definitions(${name} PRIVATE
        VPN_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
        VPN_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        VPN_APP_DIR="${VPN_APP_DIR}")
    vpn_apply_warnings(${name})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    if(ARG_DESKTOP)
        set(isolation "")
        if(ARG_ISOLATED)
            set(isolation "${CMAKE_SOURCE_DIR}/scripts/isolated")
        endif()
        add_test(NAME ${name} COMMAND "${CMAKE_SOURCE_DIR}/tests/lib/withtray.sh" ${isolation} $<TARGET_FILE:${name}>)
        set(env QT_QUICK_BACKEND=software ${ARG_ENVIRONMENT})
        set(ARG_SERIAL ON)
    else()
        add_test(NAME ${name} COMMAND ${name})
        set(env QT_QPA_PLATFORM=offscreen QT_QUICK_BACKEND=software ${ARG_ENVIRONMENT})
    endif()
    if(NOT ARG_LABELS)
        set(ARG_LABELS unit)
    endif()
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${env}")
    if(ARG_SERIAL)
        set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
    endif()
endfunction()

# A test program that runs inside the lab's client namespace (tests/lib/inlab.sh),
# skipped (77) without root or without the lab.
#   vpn_add_lab_test(<name> SOURCES ... [DEPS ...] [TIMEOUT s])
function(vpn_add_lab_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt5::Test ${ARG_DEPS})
    target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}/tests/lib")
    target_compile_definitions(${name} PRIVATE VPN_APP_DIR="${VPN_APP_DIR}")
    vpn_apply_warnings(${name})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    add_test(NAME ${name} COMMAND "${CMAKE_SOURCE_DIR}/tests/lib/inlab.sh" "${CMAKE_SOURCE_DIR}" $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES LABELS e2e RUN_SERIAL TRUE SKIP_RETURN_CODE 77 TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# Adds every direct sub-folder of <dir> that has a CMakeLists.txt, in name order.
function(vpn_add_subdirectories dir)
    file(GLOB children LIST_DIRECTORIES true "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*")
    list(SORT children)
    foreach(child ${children})
        if(IS_DIRECTORY "${child}" AND EXISTS "${child}/CMakeLists.txt")
            add_subdirectory("${child}")
        endif()
    endforeach()
endfunction()
