# gt-initdb: creates the store's tables and fills the inspection catalogue.
add_executable(gt-initdb ${CMAKE_CURRENT_LIST_DIR}/gt-initdb.cpp)
target_link_libraries(gt-initdb PRIVATE gt_store Qt6::Core Qt6::Sql)
gt_warnings(gt-initdb)
