# Reads the import table of every shipped program: only DLLs that Windows
# loads from the system folder, only functions reviewed against the minimum
# Windows version (tests/imports/). Registered in the program-only tree too.
find_package(Python3 COMPONENTS Interpreter REQUIRED)
enable_testing()
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(build win32)
else()
    set(build win64)
endif()
foreach(program ParvelaSetup parv)
    add_test(NAME imports_${program}
             COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/check-imports ${CMAKE_OBJDUMP}
                     ${PROJECT_SOURCE_DIR}/tests/imports ${program}.${build} $<TARGET_FILE:${program}>)
endforeach()
