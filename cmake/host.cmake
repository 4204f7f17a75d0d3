# Native unit tests of the platform-free code.
add_executable(core_tests
  tests/app/settings_record_test.cpp
  tests/app/error_text_test.cpp
  tests/eyes/eye_geometry_test.cpp
  tests/eyes/eye_pixels_test.cpp
  tests/eyes/desktop_layout_test.cpp
  tests/eyes/pixel_buffer_test.cpp
  tests/eyes/point_scale_test.cpp
  tests/settings_ui/drag_hit_test_test.cpp
  tests/settings_ui/number_input_test.cpp
  tests/settings_ui/change_bits_test.cpp
)
target_link_libraries(core_tests PRIVATE tavrel_core GTest::gtest_main)
target_compile_options(core_tests PRIVATE ${TAVREL_WARNINGS})
gtest_discover_tests(core_tests DISCOVERY_MODE PRE_TEST)
