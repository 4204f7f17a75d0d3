# The Windows program, its tools, its Wine tests and its benchmark.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

add_compile_definitions(UNICODE _UNICODE WINVER=0x0601 _WIN32_WINNT=0x0601)
add_link_options(-static -static-libgcc -static-libstdc++)
set(TAVREL_WIN_LIBS gdiplus comdlg32 shell32 gdi32 user32 kernel32)

# Everything of the program except its entry point, so that the Wine tests
# can link the same code that tavrel.exe runs.
add_library(tavrel_app STATIC
  app/app_state.cpp
  app/report_error.cpp
  app/settings_file.cpp
)
target_link_libraries(tavrel_app PUBLIC tavrel_core ${TAVREL_WIN_LIBS})
target_compile_options(tavrel_app PRIVATE ${TAVREL_WARNINGS})

add_library(tavrel_win STATIC
  app/startup.cpp
  eyes/eye_renderer.cpp
  eyes/eye_window.cpp
  eyes/cursor_hook.cpp
  tray/main_window.cpp
  tray/tray_icon.cpp
  tray/work_window.cpp
  tray/settings_command.cpp
  settings_ui/drag_window.cpp
  settings_ui/settings_dialog.cpp
  settings_ui/position_size_dialog.cpp
)
target_link_libraries(tavrel_win PUBLIC tavrel_app)
target_compile_options(tavrel_win PRIVATE ${TAVREL_WARNINGS})

# The manifest names the processor architecture of the build it is in.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TAVREL_MANIFEST_ARCH amd64)
else()
  set(TAVREL_MANIFEST_ARCH x86)
endif()
configure_file(res/tavrel.manifest.in ${CMAKE_BINARY_DIR}/res/tavrel.manifest @ONLY)

add_executable(tavrel WIN32 app/main.cpp res/tavrel.rc)
target_include_directories(tavrel PRIVATE ${CMAKE_BINARY_DIR}/res)
target_link_libraries(tavrel PRIVATE tavrel_win)
target_link_options(tavrel PRIVATE -municode -s)
target_compile_options(tavrel PRIVATE ${TAVREL_WARNINGS})

# Test support: a console program that runs the settings file code beside
# whatever folder it is copied into, and a helper library for the tests
# that drive real windows.
add_executable(settings_probe tests/app/settings_probe.cpp)
target_link_libraries(settings_probe PRIVATE tavrel_app)
target_link_options(settings_probe PRIVATE -municode)
target_compile_options(settings_probe PRIVATE ${TAVREL_WARNINGS})

add_library(wine_test_support STATIC tests/support/win_test_support.cpp
  tests/support/settings_ui_support.cpp)
target_link_libraries(wine_test_support PUBLIC tavrel_core GTest::gtest ${TAVREL_WIN_LIBS})
target_include_directories(wine_test_support PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(wine_test_support PRIVATE ${TAVREL_WARNINGS})

# The Wine tests run as an unprivileged user (scripts/wine-as-tester.sh) and
# make their folders here.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/bin/testtmp)
file(CHMOD ${CMAKE_BINARY_DIR}/bin/testtmp DIRECTORY_PERMISSIONS
     OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_WRITE GROUP_EXECUTE
     WORLD_READ WORLD_WRITE WORLD_EXECUTE)

function(tavrel_wine_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE wine_test_support GTest::gtest_main)
  target_compile_options(${name} PRIVATE ${TAVREL_WARNINGS})
  add_dependencies(${name} tavrel settings_probe standin_shell)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES RUN_SERIAL TRUE)
endfunction()

tavrel_wine_test(app_wine_tests
  tests/app/settings_file_wine_test.cpp
  tests/app/report_error_wine_test.cpp
)
target_link_libraries(app_wine_tests PRIVATE tavrel_app)

# End to end: the real tavrel.exe on the stand-in shell's desktop.
tavrel_wine_test(eyes_e2e_wine_tests
  tests/eyes/eyes_e2e_wine_test.cpp
  tests/eyes/desktops_e2e_wine_test.cpp
)
tavrel_wine_test(tray_e2e_wine_tests tests/tray/tray_e2e_wine_test.cpp)

# A stand-in for the Windows desktop shell, which Wine does not have: the
# wallpaper, the icon layer and the layer between them that the eyes attach
# to. `make run` and the end-to-end tests use it.
add_executable(standin_shell WIN32 tools/standin_shell/standin_shell.cpp)
target_link_options(standin_shell PRIVATE -municode)
target_compile_options(standin_shell PRIVATE ${TAVREL_WARNINGS})
target_link_libraries(standin_shell PRIVATE ${TAVREL_WIN_LIBS} ole32)
tavrel_wine_test(standin_shell_wine_tests tests/tools/standin_shell_wine_test.cpp)

# The resources of tavrel.exe, read back from the built program.
tavrel_wine_test(resources_wine_tests tests/res/resources_wine_test.cpp)
target_link_libraries(resources_wine_tests PRIVATE version)

add_test(NAME SettingsFile.ExecutablePathLongerThan255Characters
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/app/long_path_wine_test.sh
                 $<TARGET_FILE:settings_probe> ${CMAKE_SOURCE_DIR}/scripts/wine-as-tester.sh)
set_tests_properties(SettingsFile.ExecutablePathLongerThan255Characters PROPERTIES RUN_SERIAL TRUE)

# The settings user interface of the real tavrel.exe, driven through the
# tray menu.
tavrel_wine_test(settings_ui_e2e_wine_tests tests/settings_ui/settings_ui_e2e_wine_test.cpp)

# `make run` without a display: the demo that writes screenshots.
add_executable(demo_driver tools/demo/demo_driver.cpp)
target_link_libraries(demo_driver PRIVATE wine_test_support)
target_link_options(demo_driver PRIVATE -municode)
target_compile_options(demo_driver PRIVATE ${TAVREL_WARNINGS})
add_dependencies(demo_driver tavrel standin_shell)

# The eye renderer and the hook's point conversion, in process on real
# windows.
tavrel_wine_test(eyes_wine_tests
  tests/eyes/hook_point_wine_test.cpp
  tests/eyes/eye_renderer_wine_test.cpp
)
target_link_libraries(eyes_wine_tests PRIVATE tavrel_win)

# `make bench`: the cost of one eye frame against a bare copy of its bytes.
# A measurement, not a test.
add_executable(eye_bench bench/eye_bench.cpp)
target_link_libraries(eye_bench PRIVATE tavrel_win)
target_link_options(eye_bench PRIVATE -municode)
target_compile_options(eye_bench PRIVATE ${TAVREL_WARNINGS})
