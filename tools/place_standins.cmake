# cmake -DSTANDIN=FILE -DSUITE_DIR=DIR -P place_standins.cmake
# Copies the stand-in program to every activity path and to report/report.exe of the demo
# program folder, executable for everyone.
foreach(required STANDIN SUITE_DIR)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "place_standins.cmake needs -D${required}=...")
  endif()
endforeach()

set(paths report/report.exe)
foreach(option RANGE 1 9)
  list(APPEND paths OPSIE${option}/opsie${option}.exe Option${option}/option${option}.exe)
endforeach()

foreach(path IN LISTS paths)
  get_filename_component(folder ${SUITE_DIR}/${path} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  file(COPY_FILE ${STANDIN} ${SUITE_DIR}/${path})
  file(CHMOD ${SUITE_DIR}/${path}
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                        WORLD_READ WORLD_EXECUTE)
endforeach()
