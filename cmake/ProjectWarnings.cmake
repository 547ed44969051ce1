# Warnings for the project's own targets, treated as errors. Third-party code
# (GoogleTest, Google Benchmark) keeps its own flags.
function(quorvin_warnings target)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:
    -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
    -Wcast-qual -Wold-style-cast -Wnon-virtual-dtor -Wundef
    -Werror>)
endfunction()
