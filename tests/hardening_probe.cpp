// A program of the compute command's shape for the hardening check: a path
// in a fixed buffer, the file read into another. Both are stack arrays and
// the read's destination size is known to the compiler, so a hardened build
// has a canary and a checked read.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    char path[1024] = {};
    if (argc > 1) {
        std::strncpy(path, argv[1], sizeof path - 1);
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return 1;
    }
    unsigned char buffer[4096];
    std::size_t total = 0;
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        total += count;
    }
    static_cast<void>(std::fclose(file));  // read only: nothing to lose
    std::printf("%zu\n", total);
    return 0;
}
