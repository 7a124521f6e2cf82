# The stored-data browser on a large database: open and step times, peak memory.
add_executable(browser_bench ${CMAKE_CURRENT_LIST_DIR}/browser_bench.cpp)
target_link_libraries(browser_bench PRIVATE gt_app)
gt_warnings(browser_bench)
