# ParvelaSetupRelease: the same program around the payload that `make setup`
# builds from a release folder. It copies the demo target's sources, link
# settings and resource dependencies, so that the two cannot drift apart; only
# the payload differs. Built on request only, in trees configured by the Makefile.
set(PARVELA_RELEASE_PAYLOAD "" CACHE FILEPATH "The payload that ParvelaSetupRelease embeds")
if(NOT PARVELA_RELEASE_PAYLOAD)
    return()
endif()

set(release_gen ${CMAKE_CURRENT_BINARY_DIR}/release)
set(release_crc ${release_gen}/payload.crc)
file(CONFIGURE OUTPUT ${release_gen}/payload_path.h
     CONTENT "#define PARVELA_PAYLOAD_FILE \"${PARVELA_RELEASE_PAYLOAD}\"\n#define PARVELA_PAYLOAD_CRC_FILE \"${release_crc}\"\n" @ONLY)
# A resource script of its own, so that its dependencies name this payload.
file(CONFIGURE OUTPUT ${release_gen}/parvela_release.rc
     CONTENT "#include \"parvela.rc\"\n" @ONLY)

get_target_property(release_srcs ParvelaSetup SOURCES)
get_source_file_property(release_rc_deps ${res_dir}/parvela.rc OBJECT_DEPENDS)
list(TRANSFORM release_srcs REPLACE ".*/parvela\\.rc$" "${release_gen}/parvela_release.rc")
list(TRANSFORM release_rc_deps REPLACE "^${payload_file}$" "${PARVELA_RELEASE_PAYLOAD}")
list(TRANSFORM release_rc_deps REPLACE "/payload_path\\.h$" "/release/payload_path.h")
list(TRANSFORM release_rc_deps REPLACE "^${payload_crc}$" "${release_crc}")

add_executable(ParvelaSetupRelease WIN32 EXCLUDE_FROM_ALL ${release_srcs})
set_source_files_properties(${release_gen}/parvela_release.rc PROPERTIES OBJECT_DEPENDS "${release_rc_deps}")
target_include_directories(ParvelaSetupRelease PRIVATE ${release_gen} ${res_dir})
foreach(prop LINK_LIBRARIES LINK_OPTIONS COMPILE_DEFINITIONS COMPILE_OPTIONS)
    get_target_property(value ParvelaSetup ${prop})
    if(value)
        set_property(TARGET ParvelaSetupRelease PROPERTY ${prop} "${value}")
    endif()
endforeach()
parvela_payload_crc(ParvelaSetupRelease ${PARVELA_RELEASE_PAYLOAD} ${release_crc})
set_target_properties(ParvelaSetupRelease PROPERTIES
    OUTPUT_NAME ParvelaSetup RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/release)
