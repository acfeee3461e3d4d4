# libFuzzer targets (fuzz/), built only with -DVPN_ENABLE_FUZZERS=ON and clang.
# Included after every library exists, so fuzz/ can instrument the ones it tests.
if(VPN_ENABLE_FUZZERS)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "VPN_ENABLE_FUZZERS needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
    endif()
    add_subdirectory("${CMAKE_SOURCE_DIR}/fuzz" "${CMAKE_BINARY_DIR}/fuzz")
endif()
