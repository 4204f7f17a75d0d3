# Native unit tests of the platform-free code.
add_executable(core_tests ${TAVREL_CORE_TESTS})
target_link_libraries(core_tests PRIVATE tavrel_core GTest::gtest_main)
target_compile_options(core_tests PRIVATE ${TAVREL_WARNINGS})
gtest_discover_tests(core_tests DISCOVERY_MODE PRE_TEST)
