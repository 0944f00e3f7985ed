# Delay-import libraries for the DLLs that Windows does not protect from being
# replaced by a copy beside the program. Linking one of these instead of the
# import library keeps the DLL out of the import table; it is loaded on first
# call, after the program has restricted where DLLs come from (the hook in
# instutils/ShellFolders_win.cpp picks the file).
#
# parvela_delay_imports(TARGET DLL FUNCTION@ARGBYTES ...) makes an INTERFACE
# library TARGET; the argument bytes decorate the 32-bit names.
find_program(PARVELA_DLLTOOL NAMES ${TRIPLE}-dlltool REQUIRED)

function(parvela_delay_imports target dll)
    set(def "LIBRARY ${dll}\nEXPORTS\n")
    foreach(fn IN LISTS ARGN)
        if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
            string(REGEX REPLACE "@[0-9]+$" "" fn "${fn}")
        endif()
        string(APPEND def "${fn}\n")
    endforeach()
    set(def_file ${CMAKE_BINARY_DIR}/delay/${target}.def)
    set(lib_file ${CMAKE_BINARY_DIR}/delay/lib${target}.a)
    file(CONFIGURE OUTPUT ${def_file} CONTENT "${def}" @ONLY)
    set(kill_at "")
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(kill_at -k)
    endif()
    add_custom_command(OUTPUT ${lib_file}
        COMMAND ${PARVELA_DLLTOOL} ${kill_at} --input-def ${def_file} --output-delaylib ${lib_file}
        DEPENDS ${def_file}
        VERBATIM)
    add_custom_target(${target}_lib DEPENDS ${lib_file})
    add_library(${target} INTERFACE)
    add_dependencies(${target} ${target}_lib)
    target_link_libraries(${target} INTERFACE ${lib_file})
endfunction()

parvela_delay_imports(delay_comctl32 comctl32.dll
    InitCommonControlsEx@4 SetWindowSubclass@16 DefSubclassProc@16 RemoveWindowSubclass@12)
parvela_delay_imports(delay_mpr mpr.dll WNetGetConnectionA@12)
# Protected, but loading them (and what they load) costs the first page
# milliseconds; COM starts at its first use.
parvela_delay_imports(delay_ole32 ole32.dll OleInitialize@4 OleUninitialize@0
    CoCreateInstance@20 CoInitialize@4 CoInitializeEx@8 CoUninitialize@0 CoTaskMemFree@4)
parvela_delay_imports(delay_oleaut32 oleaut32.dll SysAllocStringLen@8 SysFreeString@4
    SysStringLen@4 VariantClear@4 VariantInit@4)
