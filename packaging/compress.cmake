# cmake -DGZIP=gzip -DSOURCE=file -DOUTPUT=file.gz
#   [-DAWK=awk -DAWK_SCRIPT=man2roff.awk -DVERSION=4.2 -DDATE=2026-12-07]
#   -P compress.cmake
# Writes OUTPUT, SOURCE compressed with gzip -9n, after converting it with the awk script
# when one is given. A script rather than a shell line, so that no redirection depends on the
# generator's shell; a failed step leaves no OUTPUT behind, so the next build tries again.
get_filename_component(output_dir ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${output_dir})
set(input ${SOURCE})
if(AWK_SCRIPT)
  set(input ${OUTPUT}.tmp)
  execute_process(COMMAND ${AWK} -v version=${VERSION} -v date=${DATE} -f ${AWK_SCRIPT} ${SOURCE}
                  OUTPUT_FILE ${input} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    file(REMOVE ${input})
    message(FATAL_ERROR "${AWK_SCRIPT} failed on ${SOURCE}: ${status}")
  endif()
endif()
execute_process(COMMAND ${GZIP} -9n -c ${input} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE status)
if(AWK_SCRIPT)
  file(REMOVE ${input})
endif()
if(NOT status EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "gzip failed on ${SOURCE}: ${status}")
endif()
