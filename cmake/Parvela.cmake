# parvela_library(NAME [DEPS lib...])
# A static library of every *.cpp in the calling folder. Files named *_win.cpp
# wrap Windows services and are compiled only by the Windows builds; files named
# *_host.cpp stand in for them on the host build only; the rest is
# platform-free and compiled by both.
function(parvela_library name)
    cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(WIN32)
        list(FILTER srcs EXCLUDE REGEX "_host\\.cpp$")
    else()
        list(FILTER srcs EXCLUDE REGEX "_win\\.cpp$")
    endif()
    if(srcs)
        add_library(${name} STATIC ${srcs})
        target_link_libraries(${name} PUBLIC ${A_DEPS})
    else()
        add_library(${name} INTERFACE)
        target_link_libraries(${name} INTERFACE ${A_DEPS})
    endif()
endfunction()

# parvela_tests(NAME [LIBS lib...] [SOURCES_GLOB glob])
# One GoogleTest program from the calling folder's *_test.cpp (on the host
# without *_win_test.cpp), registered with ctest; it writes its results to
# REPORTS/NAME.xml, which the summary of `make test` counts. Windows programs
# run under Wine through the toolchain's emulator.
function(parvela_tests name)
    cmake_parse_arguments(A "" "SOURCES_GLOB" "LIBS" ${ARGN})
    if(NOT A_SOURCES_GLOB)
        set(A_SOURCES_GLOB "*_test.cpp")
    endif()
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${A_SOURCES_GLOB})
    # *_host_test.cpp use the host's stand-ins; *_cp932_test.cpp run only in
    # the code page 932 prefix (parvela_cp932_tests).
    if(WIN32)
        list(FILTER srcs EXCLUDE REGEX "_host_test\\.cpp$")
    else()
        list(FILTER srcs EXCLUDE REGEX "_win_test\\.cpp$")
    endif()
    if(NOT A_SOURCES_GLOB MATCHES "cp932")
        list(FILTER srcs EXCLUDE REGEX "_cp932_test\\.cpp$")
    endif()
    if(NOT srcs)
        return()
    endif()
    add_executable(${name} ${srcs})
    target_link_libraries(${name} PRIVATE ${A_LIBS} gtest gtest_main)
    parvela_test_definitions(${name})
    set(reports "${CMAKE_BINARY_DIR}/reports")
    if(WIN32)
        set(reports "Z:${reports}")
    endif()
    add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:${reports}/${name}.xml)
    set_tests_properties(${name} PROPERTIES TIMEOUT 900 ENVIRONMENT "PARVELA_BUILD=${CMAKE_BINARY_DIR}")
endfunction()

# parvela_cp932_tests(NAME LIBS lib...)
# The calling folder's *_cp932_test.cpp as one program that runs under Wine
# in a second prefix whose system code page is 932 (Japanese, double-byte),
# booted by scripts/wine-up.
function(parvela_cp932_tests name)
    if(NOT WIN32)
        return()
    endif()
    parvela_tests(${name} ${ARGN} SOURCES_GLOB "*_cp932_test.cpp")
    if(TARGET ${name})
        set_tests_properties(${name} PROPERTIES ENVIRONMENT
            "PARVELA_BUILD=${CMAKE_BINARY_DIR};PARVELA_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-cp932;LANG=ja_JP.UTF-8;LC_ALL=ja_JP.UTF-8")
    endif()
endfunction()

# Paths that tests need, as the test process sees them (under Wine through Z:).
function(parvela_test_definitions target)
    if(WIN32)
        set(src "${PARVELA_SOURCE_DIR_WIN}")
        set(payload "Z:${PARVELA_PAYLOAD_DIR}/demo.payload")
        set(bin "Z:${CMAKE_BINARY_DIR}/bin")
        string(REPLACE "/" "\\\\" payload "${payload}")
        string(REPLACE "/" "\\\\" bin "${bin}")
    else()
        set(src "${PROJECT_SOURCE_DIR}")
        set(payload "${PARVELA_PAYLOAD_DIR}/demo.payload")
        set(bin "${CMAKE_BINARY_DIR}/bin")
    endif()
    target_compile_definitions(${target} PRIVATE
        "PARVELA_SOURCE_DIR=\"${src}\""
        "PARVELA_DEMO_PAYLOAD=\"${payload}\""
        "PARVELA_BIN_DIR=\"${bin}\"")
endfunction()
