# Runs one scenario script through the runner and compares its trace with
# the expected one (<script>.trace). A trace that ends in an "error:" line
# expects exit status 2, any other 0.
get_filename_component(dir "${SCRIPT}" DIRECTORY)
get_filename_component(name "${SCRIPT}" NAME_WE)
set(expected_file "${dir}/${name}.trace")
execute_process(COMMAND "${RUNNER}" "${SCRIPT}"
  OUTPUT_VARIABLE actual RESULT_VARIABLE status TIMEOUT 60)
file(READ "${expected_file}" expected)
set(want_status 0)
if(expected MATCHES "(^|\n)error: [^\n]*\n?$")
  set(want_status 2)
endif()
if(NOT actual STREQUAL expected OR NOT status EQUAL want_status)
  file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/${name}.actual" "${actual}")
  execute_process(COMMAND diff -u "${expected_file}" "${CMAKE_CURRENT_BINARY_DIR}/${name}.actual")
  message(FATAL_ERROR "scenario ${name}: trace differs or exit status ${status} (want ${want_status})")
endif()
