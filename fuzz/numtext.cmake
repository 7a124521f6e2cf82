# libFuzzer target: typed texts and format strings through the numeric edits'
# conversion, reduction and formatting rules (pure code, QtCore only).
add_executable(fuzz_numtext ${CMAKE_CURRENT_SOURCE_DIR}/numtext.cpp ${PROJECT_SOURCE_DIR}/src/controls/NumberText.cpp)
target_include_directories(fuzz_numtext PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_compile_options(fuzz_numtext PRIVATE -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
target_link_options(fuzz_numtext PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(fuzz_numtext PRIVATE Qt6::Core)
gt_warnings(fuzz_numtext)
