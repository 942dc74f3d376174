pkg_check_modules(ZELNOR_IO_BENCH_GD REQUIRED IMPORTED_TARGET gdlib)
add_executable(bench_io io_bench.cpp)
target_link_libraries(bench_io PRIVATE zelnor_io PkgConfig::ZELNOR_IO_BENCH_GD benchmark::benchmark_main)
