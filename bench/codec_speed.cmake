add_executable(bench_codec_speed codec_speed_bench.cpp)
target_link_libraries(bench_codec_speed PRIVATE zelnor_io JPEG::JPEG benchmark::benchmark_main)
