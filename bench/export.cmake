# Full CSV export of a large database against the sqlite3 shell writing the
# same join; gt-bench-gendb makes the database (2 000 customers, 20 000
# devices, 200 000 tests by default).
find_package(benchmark REQUIRED)
add_executable(gt-bench-gendb ${CMAKE_CURRENT_SOURCE_DIR}/export_gendb.cpp)
target_link_libraries(gt-bench-gendb PRIVATE gt_store Qt6::Core Qt6::Sql)
gt_warnings(gt-bench-gendb)

add_executable(bench_export ${CMAKE_CURRENT_SOURCE_DIR}/export_bench.cpp)
target_link_libraries(bench_export PRIVATE gt_store benchmark::benchmark Qt6::Core Qt6::Sql)
target_compile_definitions(bench_export PRIVATE
  GT_INITDB_PATH="$<TARGET_FILE:gt-initdb>" GT_GENDB_PATH="$<TARGET_FILE:gt-bench-gendb>")
add_dependencies(bench_export gt-initdb gt-bench-gendb)
gt_warnings(bench_export)
