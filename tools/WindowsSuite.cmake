# The demo program folder of the Windows build (included by tools/CMakeLists.txt): the frames,
# sounds and music of the Linux build's folder, made by the same generators built for this
# machine in a build tree of their own (host-tools/), and the Windows stand-in at every
# activity path and at report/report.exe.
include(ExternalProject)

set(host_dir ${CMAKE_BINARY_DIR}/host-tools)
set(host_arguments -DCMAKE_BUILD_TYPE=Release -DTOVALEER_TESTS=OFF -DTOVALEER_BENCHMARKS=OFF)
foreach(launcher CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER)
  if(${launcher})
    list(APPEND host_arguments -D${launcher}=${${launcher}})
  endif()
endforeach()
# Only the generators are built. Always asked, so that a change of their sources is seen; a
# build with nothing to do costs a second.
ExternalProject_Add(host_tools
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${host_dir}
  CMAKE_ARGS ${host_arguments}
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${host_dir} --target make_suite make_music
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${host_dir}/make_suite ${host_dir}/make_music)

tov_suite_step(frames
  COMMAND ${host_dir}/make_suite ${TOV_SUITE_DIR}
  DEPENDS host_tools ${host_dir}/make_suite)

tov_suite_step(sounds
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/make_sounds.sh ${TOV_SUITE_DIR}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/make_sounds.sh)

tov_suite_step(music
  COMMAND ${host_dir}/make_music ${TOV_SUITE_DIR}/Music
  DEPENDS host_tools ${host_dir}/make_music)

# The Windows stand-in: a Windows program with no window that logs how it was started (see
# its header); one executable, copied to every program path.
add_executable(standin_windows standin_windows.c)
target_link_options(standin_windows PRIVATE -municode)
target_link_libraries(standin_windows PRIVATE shell32)

tov_suite_step(standins
  COMMAND ${CMAKE_COMMAND} -DSTANDIN=$<TARGET_FILE:standin_windows> -DSUITE_DIR=${TOV_SUITE_DIR}
          -P ${CMAKE_CURRENT_SOURCE_DIR}/place_standins.cmake
  DEPENDS standin_windows ${CMAKE_CURRENT_SOURCE_DIR}/place_standins.cmake)
