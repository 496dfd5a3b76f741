# Runs the layer check on the fixture and expects it to refuse exactly the include lines named.
#   cmake -DCHECK=tools/check_layers.sh -DROOT=tests/layering -DLAYERS=... -DREFUSED="a;b"
#         -P expect_refusals.cmake
execute_process(COMMAND bash ${CHECK} ${ROOT} ${LAYERS}
                OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE code)
if(code EQUAL 0)
  message(FATAL_ERROR "the check took every include line:\n${output}")
endif()
foreach(refused IN LISTS REFUSED)
  string(FIND "${output}" "${refused}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "not refused: ${refused}\n${output}")
  endif()
endforeach()
list(LENGTH REFUSED expected)
string(REGEX MATCHALL "may not include" hits "${output}")
list(LENGTH hits found)
if(NOT found EQUAL expected)
  message(FATAL_ERROR "${found} refusals where ${expected} were expected:\n${output}")
endif()
message("${output}")
