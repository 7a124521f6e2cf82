# The database check the window runs at start, and the full one of
# "--check-db", on a large file (bench/gt-bench-gendb makes one).
add_executable(dbcheck_bench ${CMAKE_CURRENT_LIST_DIR}/dbcheck_bench.cpp)
target_link_libraries(dbcheck_bench PRIVATE gt_store Qt6::Core Qt6::Sql)
gt_warnings(dbcheck_bench)
