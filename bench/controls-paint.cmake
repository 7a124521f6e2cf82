find_package(benchmark REQUIRED)
add_executable(bench_controls_paint ${CMAKE_CURRENT_LIST_DIR}/controls_paint.cpp)
target_link_libraries(bench_controls_paint PRIVATE gt_controls benchmark::benchmark)
gt_warnings(bench_controls_paint)
