add_executable(ui_bench ui_bench.cpp)
target_link_libraries(ui_bench PRIVATE tessaline_app tessaline_fixtures benchmark::benchmark)
