# Warnings for the project's own targets, treated as errors. Third-party code
# (GoogleTest, Google Benchmark) keeps its own flags.
# -Wformat=2: a format string that is not a literal, such as a path, is an
# error, so no text from outside can reach a printf-style call as its format.
function(quorvin_warnings target)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:
    -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
    -Wcast-qual -Wold-style-cast -Wnon-virtual-dtor -Wundef -Wformat=2
    -Werror>)
endfunction()
