# One bounded libFuzzer run: FUZZER over a scratch corpus WORK seeded from SEEDS.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
if(SEED_FILE AND EXISTS "${SEED_FILE}")
    file(COPY "${SEED_FILE}" DESTINATION "${WORK}")
elseif(SEED_FILE)
    message(STATUS "${SEED_FILE} is not built yet: fuzzing from the small seeds only")
endif()
execute_process(COMMAND "${FUZZER}" -max_total_time=${SECONDS} -max_len=${MAX_LEN}
                        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
                        "-artifact_prefix=${WORK}/" "${WORK}" ${SEEDS}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${FUZZER} found a failing input (exit ${rc}); see ${WORK}/")
endif()
