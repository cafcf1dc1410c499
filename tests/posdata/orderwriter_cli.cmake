# End to end through the order writer program: each sample description is
# written to a stream file that must equal, byte for byte, the stream kept
# as the reader's fuzz seed, and the program's dump must list its datasets.
# Arguments: -DWRITER=program -DSAMPLES=dir -DEXPECTED=dir -DWORK=dir [-DRUN32=emulator]
foreach(sample simple_sale discounts change_currencies modifiers_combo)
  set(out ${WORK}/${sample}.bin)
  execute_process(COMMAND ${RUN32} ${WRITER} ${SAMPLES}/${sample}.order ${out} RESULT_VARIABLE rc TIMEOUT 60)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "orderwriter failed on ${sample}: ${rc}")
  endif()
  file(SHA256 ${out} written)
  file(SHA256 ${EXPECTED}/${sample}.bin kept)
  if(NOT written STREQUAL kept)
    message(FATAL_ERROR "${sample}: the stream differs from ${EXPECTED}/${sample}.bin")
  endif()
  execute_process(COMMAND ${RUN32} ${WRITER} --dump ${out} RESULT_VARIABLE rc OUTPUT_VARIABLE dump TIMEOUT 60)
  if(NOT rc EQUAL 0 OR NOT dump MATCHES "dataset Dishes: [0-9]+ records")
    message(FATAL_ERROR "${sample}: dump failed (${rc}): ${dump}")
  endif()
endforeach()
execute_process(COMMAND ${RUN32} ${WRITER} ${SAMPLES}/missing.order ${WORK}/missing.bin RESULT_VARIABLE rc TIMEOUT 60)
if(rc EQUAL 0)
  message(FATAL_ERROR "orderwriter succeeded on a missing file")
endif()
