# cmake -DSUITE_DIR=DIR -DOUTPUT=FILE.nsh -P list_suite.cmake
# Writes the NSIS macros TOV_INSTALL_SUITE ROOT and TOV_REMOVE_SUITE ROOT: the first installs
# every file of the demo suite under ROOT, the second removes exactly those files and then
# each folder, deepest first, only if it is empty. Run at build time: the suite is made then.
cmake_minimum_required(VERSION 3.25)
foreach(required SUITE_DIR OUTPUT)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "list_suite.cmake needs -D${required}=...")
  endif()
endforeach()

# A name as NSIS reads it inside double quotes ("$" would start a variable); a name that
# Windows cannot hold stops the build rather than giving a broken installer.
function(nsis_quoted out path)
  if(path MATCHES "[\"<>:|?*\\\\]")
    message(FATAL_ERROR "${path}: not a name that Windows can hold")
  endif()
  string(REPLACE "$" "$$" path "${path}")
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

# The Windows form of ROOT\RELATIVE, ROOT itself for the suite's own folder.
function(under_root out relative)
  nsis_quoted(quoted "${relative}")
  string(REPLACE "/" "\\" quoted "${quoted}")
  if(quoted STREQUAL "")
    set(${out} "\${ROOT}" PARENT_SCOPE)
  else()
    set(${out} "\${ROOT}\\${quoted}" PARENT_SCOPE)
  endif()
endfunction()

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${SUITE_DIR} ${SUITE_DIR}/*)
file(GLOB_RECURSE folders LIST_DIRECTORIES true RELATIVE ${SUITE_DIR} ${SUITE_DIR}/*)
list(REMOVE_ITEM folders ${files})
if(NOT files)
  message(FATAL_ERROR "${SUITE_DIR} holds no files: the demo suite was not made")
endif()
list(SORT files)
# Sorted, a folder comes before everything inside it; reversed, after.
list(SORT folders)
list(PREPEND folders "")

set(install "!macro TOV_INSTALL_SUITE ROOT\n")
foreach(folder IN LISTS folders)
  under_root(windows_folder "${folder}")
  set(install "${install}  SetOutPath \"${windows_folder}\"\n")
  foreach(file IN LISTS files)
    get_filename_component(file_folder "${file}" DIRECTORY)
    if(file_folder STREQUAL folder)
      nsis_quoted(source "${SUITE_DIR}/${file}")
      set(install "${install}  File \"${source}\"\n")
    endif()
  endforeach()
endforeach()
set(install "${install}!macroend\n")

set(remove "!macro TOV_REMOVE_SUITE ROOT\n")
foreach(file IN LISTS files)
  under_root(windows_file "${file}")
  set(remove "${remove}  Delete \"${windows_file}\"\n")
endforeach()
list(REVERSE folders)
foreach(folder IN LISTS folders)
  under_root(windows_folder "${folder}")
  set(remove "${remove}  RMDir \"${windows_folder}\"\n")
endforeach()
set(remove "${remove}!macroend\n")

file(WRITE ${OUTPUT} "${install}${remove}")
