# cmake -DINPUT=FILE -DOUTPUT=FILE.gz -P gzip.cmake: FILE gzipped at the best
# compression, with neither a name nor a time stamp in its header, as
# `gzip -9n` makes it, whichever gzip (if any) the system has. The archive
# library stamps the header with the current time: bytes 4 to 7, set to zero.
file(ARCHIVE_CREATE OUTPUT ${OUTPUT} PATHS ${INPUT} FORMAT raw COMPRESSION GZip COMPRESSION_LEVEL 9)
execute_process(COMMAND dd if=/dev/zero of=${OUTPUT} bs=1 seek=4 count=4 conv=notrunc
  RESULT_VARIABLE failed ERROR_VARIABLE said)
if(failed)
  message(FATAL_ERROR "Could not clear the time stamp of ${OUTPUT}: ${said}")
endif()
