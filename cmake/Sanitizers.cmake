# The sanitizer build: the tests and the fuzz targets compiled by clang with AddressSanitizer
# and UndefinedBehaviorSanitizer, which end the program at their first report, and with the
# coverage that steers libFuzzer. -O1 keeps the runs quick and the stack traces whole.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "The sanitizer build needs clang (for libFuzzer): configure it with -DCMAKE_CXX_COMPILER=clang++-14")
endif()
add_compile_options(-O1 -gline-tables-only -fno-omit-frame-pointer -fsanitize=address,undefined,fuzzer-no-link
                    -fno-sanitize-recover=all)
add_link_options(-fsanitize=address,undefined)
# How long `make test` lets each fuzz target run; `make fuzz FUZZ_SECONDS=600` runs longer.
set(TABRIX_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs as a test")
