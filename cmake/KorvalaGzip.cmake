# cmake -DINPUT=file -DOUTPUT=file.gz -DGZIP=gzip -P KorvalaGzip.cmake
# Compresses INPUT into OUTPUT at the highest level with neither the file's
# name nor its time stamp in the header (gzip -9n), as Debian wants files in
# /usr/share/doc and /usr/share/man: the same input gives the same bytes.
get_filename_component(folder "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
execute_process(COMMAND "${GZIP}" -9n -c "${INPUT}" OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "${GZIP} -9n failed on ${INPUT} (${rc})")
endif()
