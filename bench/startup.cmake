# The program as a user meets it: time from start to the main window shown,
# peak memory, and CPU share while connected to the simulator with autosend.
find_package(benchmark REQUIRED)
add_executable(bench_startup ${CMAKE_CURRENT_LIST_DIR}/startup.cpp)
target_link_libraries(bench_startup PRIVATE benchmark::benchmark Qt6::Core Qt6::Sql)
target_compile_definitions(bench_startup PRIVATE
  GT_PROGRAM_PATH="$<TARGET_FILE:geraetetester>" GT_SIM_PATH="${PROJECT_BINARY_DIR}/sim/tester-sim"
  GT_INITDB_PATH="$<TARGET_FILE:gt-initdb>")
add_dependencies(bench_startup geraetetester gt-initdb)
if(TARGET tester-sim)
  add_dependencies(bench_startup tester-sim)
endif()
gt_warnings(bench_startup)
