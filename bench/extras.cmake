# Due list over the large database (at most 300 ms) and protocols archived per
# second over 1 000 tests; both databases come from gt-bench-gendb.
find_package(benchmark REQUIRED)
add_executable(bench_extras ${CMAKE_CURRENT_LIST_DIR}/extras_bench.cpp)
target_link_libraries(bench_extras PRIVATE gt_protocols benchmark::benchmark Qt6::Widgets)
target_compile_definitions(bench_extras PRIVATE
  GT_INITDB_PATH="$<TARGET_FILE:gt-initdb>" GT_GENDB_PATH="$<TARGET_FILE:gt-bench-gendb>")
add_dependencies(bench_extras gt-initdb gt-bench-gendb)
gt_warnings(bench_extras)
