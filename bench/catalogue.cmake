# Benchmark of the catalogue loader against fread of the same 3 MiB file.
find_package(benchmark REQUIRED)
add_executable(catalogue_bench ${CMAKE_SOURCE_DIR}/bench/catalogue_bench.cpp)
target_link_libraries(catalogue_bench PRIVATE recolyx_objects sim_host benchmark::benchmark)
