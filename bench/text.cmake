pkg_check_modules(ZELNOR_BENCH_GD REQUIRED IMPORTED_TARGET gdlib)
add_executable(bench_text text_bench.cpp)
target_link_libraries(bench_text PRIVATE zelnor_draw zelnor_fonts PkgConfig::ZELNOR_BENCH_GD benchmark::benchmark_main)
target_compile_definitions(bench_text PRIVATE ZELNOR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
