// Md5Update throughput on 64 KiB buffers, with nothing but the engine, the
// tests' random bytes and the C++ library, so that it builds for every word
// size the program ships in and can be run where no benchmark library exists
// (under an emulator, for one). Prints the median of five timings, in process CPU time.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

#include "digest/md5.h"
#include "test_support.h"

namespace {

constexpr std::uint32_t kBufferSize = 65536;
constexpr int kUpdatesPerTiming = 256;  // 16 MiB
constexpr int kTimings = 5;

}  // namespace

int main() {
    const std::vector<unsigned char> buffer = RandomBytes(kBufferSize, 1);

    std::vector<double> bytesPerSecond;
    Md5Context context;
    Md5Init(context);
    for (int timing = 0; timing < kTimings; ++timing) {
        const std::clock_t start = std::clock();
        for (int update = 0; update < kUpdatesPerTiming; ++update) {
            Md5Update(context, buffer.data(), kBufferSize);
        }
        const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
        bytesPerSecond.push_back(double{kBufferSize} * kUpdatesPerTiming / seconds);
    }

    std::sort(bytesPerSecond.begin(), bytesPerSecond.end());
    std::printf("engine, %d-bit build, 64 KiB updates: median of %d: %.1f MB/s\n",
                static_cast<int>(8 * sizeof(void*)), kTimings, bytesPerSecond[kTimings / 2] / 1e6);
    return 0;
}
