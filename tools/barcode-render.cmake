# barcode-render: draws one symbol into a PNG, for checking by eye and scanner.
add_executable(barcode-render ${CMAKE_CURRENT_SOURCE_DIR}/barcode-render.cpp)
target_link_libraries(barcode-render PRIVATE gt_barcode)
gt_warnings(barcode-render)
