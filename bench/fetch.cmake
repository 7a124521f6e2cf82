# Fetching 100 stored records from the simulator at 9600 baud into an SQLite
# staging table, against what the line itself needs.
add_executable(bench_fetch ${CMAKE_CURRENT_LIST_DIR}/fetch_bench.cpp)
target_link_libraries(bench_fetch PRIVATE gt_tester Qt6::Core Qt6::Sql)
target_compile_definitions(bench_fetch PRIVATE GT_SIM_PATH="${PROJECT_BINARY_DIR}/sim/tester-sim"
                           GT_INITDB_PATH="${PROJECT_BINARY_DIR}/tools/gt-initdb")
if(TARGET tester-sim)
  add_dependencies(bench_fetch tester-sim gt-initdb)
endif()
gt_warnings(bench_fetch)
