# libFuzzer targets of the platform-free rules. The core is rebuilt with the
# fuzzer's coverage hooks and the same sanitizers, so that an overflow or a
# bad read inside a rule stops the run where it happens; a division by zero
# in the pupil arithmetic is a finding too, though C++ lets doubles do it.
set(TAVREL_FUZZ_SANITIZERS address,undefined,float-divide-by-zero)
target_compile_options(tavrel_core PRIVATE -fsanitize=fuzzer-no-link,${TAVREL_FUZZ_SANITIZERS}
  -fno-sanitize-recover=all -fno-omit-frame-pointer)
foreach(target settings_record number_input pupil_placement)
  add_executable(${target}_fuzz tests/fuzz/${target}_fuzz.cpp)
  target_link_libraries(${target}_fuzz PRIVATE tavrel_core)
  target_compile_options(${target}_fuzz PRIVATE ${TAVREL_WARNINGS} -fsanitize=fuzzer,${TAVREL_FUZZ_SANITIZERS}
    -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(${target}_fuzz PRIVATE -fsanitize=fuzzer,${TAVREL_FUZZ_SANITIZERS})
endforeach()
