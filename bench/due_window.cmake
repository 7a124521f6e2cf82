# The "Prüffristen" window opening offscreen on a large database.
add_executable(due_window_bench ${CMAKE_CURRENT_LIST_DIR}/due_window_bench.cpp)
target_link_libraries(due_window_bench PRIVATE gt_app_extras)
gt_warnings(due_window_bench)
