# Bus request/answer round trips over a pseudo-terminal, paced and unpaced,
# and the CPU used while an answer is awaited.
find_package(benchmark REQUIRED)
add_executable(bench_bus_roundtrip ${CMAKE_CURRENT_SOURCE_DIR}/bus_roundtrip.cpp)
target_link_libraries(bench_bus_roundtrip PRIVATE gt_bus benchmark::benchmark Qt6::Core)
if(TARGET gt_sim)
  target_link_libraries(bench_bus_roundtrip PRIVATE gt_sim)
  target_compile_definitions(bench_bus_roundtrip PRIVATE GT_BENCH_WITH_SIM)
endif()
gt_warnings(bench_bus_roundtrip)
