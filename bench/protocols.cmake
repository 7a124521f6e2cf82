find_package(benchmark REQUIRED)
add_executable(bench_protocols ${CMAKE_CURRENT_LIST_DIR}/protocol_pdf.cpp)
target_link_libraries(bench_protocols PRIVATE gt_protocols benchmark::benchmark)
gt_warnings(bench_protocols)
