# Fails when docs/reference.md differs from what tools/reference writes now.
execute_process(COMMAND ${TOOL} OUTPUT_FILE ${ACTUAL} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the reference tool failed: ${rc}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED} ${ACTUAL} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "docs/reference.md is out of date; regenerate it with:\n"
                      "  ${TOOL} > docs/reference.md")
endif()
