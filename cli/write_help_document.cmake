# Writes what `PROGRAM OPTION` prints into OUTPUT (cmake -P, at build time).
# A failing program fails the build and leaves no OUTPUT behind.
execute_process(COMMAND "${PROGRAM}" "${OPTION}" OUTPUT_FILE "${OUTPUT}.tmp" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE "${OUTPUT}.tmp")
  message(FATAL_ERROR "${PROGRAM} ${OPTION} failed: ${result}")
endif()
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
