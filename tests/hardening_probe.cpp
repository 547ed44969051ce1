// A program of the compute command's shape for the hardening check, built
// but never run: a path in a fixed buffer, the file read into another, in
// pieces of a size given on the command line. Both buffers are stack
// arrays, so a hardened build has a canary. The read's destination size is
// known to the compiler and its length is not, so a hardened build checks
// it in the C library; a read the compiler can prove safe, or a printf,
// which clang does not fortify, would prove nothing.
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    char path[1024] = {};
    if (argc > 1) {
        std::strncpy(path, argv[1], sizeof path - 1);
    }
    unsigned char buffer[4096];
    // Unchecked on purpose: a piece larger than the buffer is the overflow
    // that the checked read stops.
    const std::size_t piece = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : sizeof buffer;

    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return 1;
    }
    std::size_t total = 0;
    for (std::size_t count; (count = std::fread(buffer, 1, piece, file)) > 0;) {
        total += count;
    }
    static_cast<void>(std::fclose(file));  // read only: nothing to lose
    std::printf("%zu\n", total);
    return 0;
}
