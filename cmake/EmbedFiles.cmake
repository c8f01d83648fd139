# embed_files(TARGET NAMESPACE FILE...) compiles files into a C++ source as byte arrays,
# with a lookup by base name, so the program carries its assets without a resource system.
function(embed_files target ns)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_embedded.cpp)
  set(script ${PROJECT_SOURCE_DIR}/cmake/EmbedFilesRun.cmake)
  # A list cannot cross the command line as it is: its separators would split the command.
  string(REPLACE ";" "|" files "${ARGN}")
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DNS=${ns} "-DFILES=${files}" -P ${script}
    DEPENDS ${ARGN} ${script}
    COMMENT "Embedding ${target} files"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
