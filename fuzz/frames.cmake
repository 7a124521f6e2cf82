# libFuzzer target: received bytes through frame assembly and every frame
# consumer in fuzz/frames*.cpp (decoders register themselves, see FrameFuzz.h).
# The frame code is compiled in directly, so the target needs no serial port
# code; decoder libraries are linked when they exist.
file(GLOB fuzz_frames_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/frames*.cpp)
add_executable(fuzz_frames ${fuzz_frames_srcs} ${CMAKE_CURRENT_SOURCE_DIR}/FrameFuzz.h
               ${PROJECT_SOURCE_DIR}/src/bus/Protok.cpp)
target_include_directories(fuzz_frames PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
target_compile_options(fuzz_frames PRIVATE -fsanitize=fuzzer,address -fno-omit-frame-pointer)
target_link_options(fuzz_frames PRIVATE -fsanitize=fuzzer,address)
target_link_libraries(fuzz_frames PRIVATE Qt6::Core)
gt_warnings(fuzz_frames)
# Decoder code under test gets coverage feedback and address checks too.
if(TARGET gt_tester)
  get_target_property(_fuzz_type gt_tester TYPE)
  if(_fuzz_type STREQUAL "STATIC_LIBRARY")
    target_compile_options(gt_tester PRIVATE -fsanitize=fuzzer-no-link,address -fno-omit-frame-pointer)
    target_link_libraries(fuzz_frames PRIVATE gt_tester)
  endif()
endif()
