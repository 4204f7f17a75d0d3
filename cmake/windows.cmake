# The Windows program, its tools, its Wine tests and its benchmark.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

add_compile_definitions(UNICODE _UNICODE WINVER=0x0601 _WIN32_WINNT=0x0601)
add_link_options(-static -static-libgcc -static-libstdc++)
set(TAVREL_WIN_LIBS gdiplus comdlg32 shell32 gdi32 user32 kernel32)

# Everything of the program except its entry point, so that the Wine tests
# can link the same code that tavrel.exe runs.
add_library(tavrel_win STATIC
  app/app_state.cpp
  app/report_error.cpp
  app/settings_file.cpp
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
target_link_libraries(tavrel_win PUBLIC tavrel_core ${TAVREL_WIN_LIBS})
target_compile_options(tavrel_win PRIVATE ${TAVREL_WARNINGS})

add_executable(tavrel WIN32 app/main.cpp res/tavrel.rc)
target_link_libraries(tavrel PRIVATE tavrel_win)
target_link_options(tavrel PRIVATE -municode)
target_compile_options(tavrel PRIVATE ${TAVREL_WARNINGS})

# Test support: a console program that runs the settings file code beside
# whatever folder it is copied into, and a helper library for the tests
# that drive real windows.
add_executable(settings_probe tests/app/settings_probe.cpp)
target_link_libraries(settings_probe PRIVATE tavrel_win)
target_link_options(settings_probe PRIVATE -municode)
target_compile_options(settings_probe PRIVATE ${TAVREL_WARNINGS})

add_library(wine_test_support STATIC tests/support/win_test_support.cpp)
target_link_libraries(wine_test_support PUBLIC tavrel_core GTest::gtest ${TAVREL_WIN_LIBS})
target_include_directories(wine_test_support PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(wine_test_support PRIVATE ${TAVREL_WARNINGS})

function(tavrel_wine_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE wine_test_support GTest::gtest_main)
  target_compile_options(${name} PRIVATE ${TAVREL_WARNINGS})
  add_dependencies(${name} tavrel settings_probe)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES RUN_SERIAL TRUE)
endfunction()

tavrel_wine_test(app_wine_tests
  tests/app/settings_file_wine_test.cpp
  tests/app/report_error_wine_test.cpp
)

# A stand-in for the Windows desktop shell, which Wine does not have: the
# wallpaper, the icon layer and the layer between them that the eyes attach
# to. `make run` and the end-to-end tests use it.
add_executable(standin_shell WIN32 tools/standin_shell/standin_shell.cpp)
target_link_options(standin_shell PRIVATE -municode)
target_compile_options(standin_shell PRIVATE ${TAVREL_WARNINGS})
target_link_libraries(standin_shell PRIVATE ${TAVREL_WIN_LIBS})
