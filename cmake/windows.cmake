# The Windows program, its test build, the stand-in shell, the Windows tests
# and the benchmark.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

add_compile_definitions(UNICODE _UNICODE WINVER=0x0601 _WIN32_WINNT=0x0601)
add_link_options(-static -static-libgcc -static-libstdc++)
set(TAVREL_WIN_LIBS gdiplus comdlg32 shell32 wtsapi32 gdi32 user32 kernel32)

# Everything of the program except its entry point.
set(TAVREL_WIN_SOURCES
  app/app_state.cpp
  app/report_error.cpp
  app/settings_file.cpp
  app/startup.cpp
  eyes/eye_renderer.cpp
  eyes/eye_window.cpp
  eyes/screen_monitors.cpp
  eyes/cursor_hook.cpp
  eyes/cover_search.cpp
  eyes/cover_watch.cpp
  eyes/eye_visibility.cpp
  tray/main_window.cpp
  tray/tray_icon.cpp
  tray/work_window.cpp
  tray/settings_command.cpp
  settings_ui/drag_window.cpp
  settings_ui/settings_dialog.cpp
  settings_ui/position_size_dialog.cpp
)
add_library(tavrel_win STATIC ${TAVREL_WIN_SOURCES})
target_link_libraries(tavrel_win PUBLIC tavrel_core ${TAVREL_WIN_LIBS})
target_compile_options(tavrel_win PRIVATE ${TAVREL_WARNINGS})

# The manifest names the processor architecture of the build it is in.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TAVREL_MANIFEST_ARCH amd64)
else()
  set(TAVREL_MANIFEST_ARCH x86)
endif()
configure_file(res/tavrel.manifest.in ${CMAKE_BINARY_DIR}/res/tavrel.manifest @ONLY)
configure_file(res/tavrel_version.h.in ${CMAKE_BINARY_DIR}/res/tavrel_version.h @ONLY)

add_executable(tavrel WIN32 app/main.cpp res/tavrel.rc)
target_include_directories(tavrel PRIVATE ${CMAKE_BINARY_DIR}/res)
target_link_libraries(tavrel PRIVATE tavrel_win)
target_link_options(tavrel PRIVATE -municode -s)
target_compile_options(tavrel PRIVATE ${TAVREL_WARNINGS})

# The downloads' builds (the dist-* presets, which scripts/dist.sh runs) are
# given the one time of their source. The linker writes SOURCE_DATE_EPOCH
# into the PE header instead of the clock's time; set by the link command
# itself, the time is part of it, so the build tree relinks the program
# whenever the time changes, as it would not for a change of the
# environment alone.
if(DEFINED TAVREL_SOURCE_DATE_EPOCH)
  if(NOT TAVREL_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    message(FATAL_ERROR "TAVREL_SOURCE_DATE_EPOCH is \"${TAVREL_SOURCE_DATE_EPOCH}\", not seconds since 1970; "
                        "the dist presets take it from SOURCE_DATE_EPOCH, which scripts/dist.sh sets")
  endif()
  set_target_properties(tavrel PROPERTIES
    CXX_LINKER_LAUNCHER "${CMAKE_COMMAND};-E;env;SOURCE_DATE_EPOCH=${TAVREL_SOURCE_DATE_EPOCH}")
endif()

# The test build: the same sources, with the seams of tests/seams, through
# which a test makes a chosen system call fail, throw or end the process.
add_library(tavrel_seam_calls STATIC tests/seams/seams.cpp)
target_link_libraries(tavrel_seam_calls PUBLIC ${TAVREL_WIN_LIBS})
target_include_directories(tavrel_seam_calls PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(tavrel_seam_calls PRIVATE ${TAVREL_WARNINGS})
add_executable(tavrel_seams WIN32 app/main.cpp res/tavrel.rc ${TAVREL_WIN_SOURCES})
target_include_directories(tavrel_seams PRIVATE ${CMAKE_BINARY_DIR}/res)
target_compile_options(tavrel_seams PRIVATE ${TAVREL_WARNINGS}
  $<$<COMPILE_LANGUAGE:CXX>:-include ${CMAKE_SOURCE_DIR}/tests/seams/seams.h>)
target_link_libraries(tavrel_seams PRIVATE tavrel_core tavrel_seam_calls)
target_link_options(tavrel_seams PRIVATE -municode)

# A stand-in for the Windows desktop shell, which Wine does not have: the
# wallpaper, the icon layer, the layer between them that the eyes attach
# to, and the notification area.
add_executable(standin_shell WIN32 tools/standin_shell/standin_shell.cpp)
target_link_options(standin_shell PRIVATE -municode)
target_compile_options(standin_shell PRIVATE ${TAVREL_WARNINGS})
target_link_libraries(standin_shell PRIVATE ${TAVREL_WIN_LIBS} ole32)

add_library(win_support STATIC tests/support/win_support.cpp)
target_link_libraries(win_support PUBLIC ${TAVREL_WIN_LIBS})
target_include_directories(win_support PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(win_support PRIVATE ${TAVREL_WARNINGS})

# The Wine tests run as an unprivileged user (scripts/wine-as-tester.sh) and
# make their folders here.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/bin/testtmp)
file(CHMOD ${CMAKE_BINARY_DIR}/bin/testtmp DIRECTORY_PERMISSIONS
     OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_WRITE GROUP_EXECUTE
     WORLD_READ WORLD_WRITE WORLD_EXECUTE)

# The native rules' tables, run once more as this build computes them.
add_executable(core_tests_win ${TAVREL_CORE_TESTS})
target_link_libraries(core_tests_win PRIVATE tavrel_core GTest::gtest_main)
target_compile_options(core_tests_win PRIVATE ${TAVREL_WARNINGS})
add_test(NAME CoreRules COMMAND core_tests_win)

# In process, on real windows: the renderer, the hook's point and the
# program's resources.
add_executable(windows_tests
  tests/eyes/eye_renderer_wine_test.cpp
  tests/eyes/cursor_hook_wine_test.cpp
  tests/res/resources_wine_test.cpp)
target_link_libraries(windows_tests PRIVATE tavrel_win win_support GTest::gtest_main)
target_compile_options(windows_tests PRIVATE ${TAVREL_WARNINGS})
add_dependencies(windows_tests tavrel)
add_test(NAME InProcess COMMAND windows_tests)
set_tests_properties(InProcess PROPERTIES RUN_SERIAL TRUE)

# End to end: each scenario of tests/e2e/*.scn is a test of its own.
add_executable(scenarios tests/e2e/scenario_runner.cpp)
target_link_libraries(scenarios PRIVATE win_support ntdll)
target_link_options(scenarios PRIVATE -municode)
target_compile_options(scenarios PRIVATE ${TAVREL_WARNINGS})
add_dependencies(scenarios tavrel tavrel_seams standin_shell)
file(GLOB TAVREL_SCENARIO_FILES ${CMAKE_SOURCE_DIR}/tests/e2e/*.scn)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TAVREL_SCENARIO_FILES})
foreach(file ${TAVREL_SCENARIO_FILES})
  get_filename_component(group ${file} NAME_WE)
  file(STRINGS ${file} heads REGEX "^== ")
  foreach(head ${heads})
    string(SUBSTRING "${head}" 3 -1 name)
    add_test(NAME ${group}.${name} COMMAND scenarios ${file} ${name})
    set_tests_properties(${group}.${name} PROPERTIES RUN_SERIAL TRUE)
  endforeach()
endforeach()

# The settings file beside an executable with a path of over 255 characters.
add_executable(settings_probe tests/app/settings_probe.cpp)
target_link_libraries(settings_probe PRIVATE tavrel_win)
target_link_options(settings_probe PRIVATE -municode)
add_test(NAME SettingsFile.BesideAnExecutableWithAVeryLongPath
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/app/long_path_wine_test.sh $<TARGET_FILE:settings_probe>
                 ${CMAKE_CROSSCOMPILING_EMULATOR})
set_tests_properties(SettingsFile.BesideAnExecutableWithAVeryLongPath PROPERTIES RUN_SERIAL TRUE)

# `make run` without a display: the demo that writes screenshots.
add_executable(demo_driver tools/demo/demo_driver.cpp)
target_link_libraries(demo_driver PRIVATE win_support tavrel_core)
target_link_options(demo_driver PRIVATE -municode)
target_compile_options(demo_driver PRIVATE ${TAVREL_WARNINGS})
add_dependencies(demo_driver tavrel standin_shell)

# `make bench`: what the eyes cost the mouse and each frame. A measurement,
# not a test.
add_executable(eye_bench bench/eye_bench.cpp)
target_link_libraries(eye_bench PRIVATE tavrel_win win_support)
target_link_options(eye_bench PRIVATE -municode)
target_compile_options(eye_bench PRIVATE ${TAVREL_WARNINGS})
add_dependencies(eye_bench tavrel standin_shell)
