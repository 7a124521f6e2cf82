# CSV import of the full export of a large database (gt-bench-gendb) into an
# empty one: time against the export's, and the import's peak memory.
add_executable(bench_import ${CMAKE_CURRENT_LIST_DIR}/import_bench.cpp)
target_link_libraries(bench_import PRIVATE gt_store Qt6::Core Qt6::Sql)
target_compile_definitions(bench_import PRIVATE
  GT_INITDB_PATH="$<TARGET_FILE:gt-initdb>" GT_GENDB_PATH="$<TARGET_FILE:gt-bench-gendb>")
add_dependencies(bench_import gt-initdb gt-bench-gendb)
gt_warnings(bench_import)
