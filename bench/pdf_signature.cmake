# Protocol PDFs as archival files, unsigned and signed, and checking a signature.
find_package(benchmark REQUIRED)
add_executable(bench_pdf_signature ${CMAKE_CURRENT_LIST_DIR}/pdf_signature_bench.cpp)
target_link_libraries(bench_pdf_signature PRIVATE gt_protocols benchmark::benchmark)
gt_warnings(bench_pdf_signature)
