// Md5Update throughput on 64 KiB buffers, the compute command's read size,
// beside OpenSSL's MD5 on the same buffers in the same run, and the core's
// clock, so that both can be given in cycles per byte. Each is run fifteen
// times for a fifth of a second, the repetitions of the three interleaved,
// so that a noisy neighbour on a shared machine hits all of them alike and
// the medians hold; the medians and the ratio are printed at the end.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "digest/md5.h"
#include "test_support.h"

namespace {

constexpr std::size_t kBufferSize = 65536;
constexpr int kRepetitions = 15;
constexpr double kSecondsPerRepetition = 0.2;

const char kEngineName[] = "Md5Update/64KiB";
const char kOpenSslName[] = "OpenSSL_MD5/64KiB";
const char kClockName[] = "CoreClock";

const std::vector<unsigned char>& Buffer() {
    static const std::vector<unsigned char> buffer = RandomBytes(kBufferSize, 1);
    return buffer;
}

void Engine(benchmark::State& state) {
    const std::vector<unsigned char>& buffer = Buffer();
    Md5Context context;
    Md5Init(context);
    for (auto _ : state) {
        Md5Update(context, buffer.data(), kBufferSize);
        benchmark::DoNotOptimize(context.state);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            std::int64_t{kBufferSize});
}

void OpenSsl(benchmark::State& state) {
    const std::vector<unsigned char>& buffer = Buffer();
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    EVP_DigestInit_ex(context, EVP_md5(), nullptr);
    for (auto _ : state) {
        EVP_DigestUpdate(context, buffer.data(), kBufferSize);
        benchmark::ClobberMemory();
    }
    EVP_MD_CTX_free(context);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            std::int64_t{kBufferSize});
}

// This machine's counters may not offer cycles (a virtual machine often
// hides them), so the clock is timed instead: a chain of integer adds and
// XORs, each waiting for the one before, runs at one operation per cycle on
// any x86-64 core. Items per second is then cycles per second.
constexpr int kChainLinks = 4096;

void CoreClock(benchmark::State& state) {
    std::uint32_t value = 1;
    std::uint32_t addend = 0x9e3779b9;
    std::uint32_t mask = 0x7f4a7c15;
    // Unknown to the compiler, so the chain cannot be folded.
    benchmark::DoNotOptimize(addend);
    benchmark::DoNotOptimize(mask);
    for (auto _ : state) {
        for (int link = 0; link < kChainLinks; link += 2) {
            value = (value + addend) ^ mask;
        }
        benchmark::DoNotOptimize(value);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kChainLinks);
}

BENCHMARK(Engine)
    ->Name(kEngineName)
    ->Repetitions(kRepetitions)
    ->MinTime(kSecondsPerRepetition)
    ->DisplayAggregatesOnly(true);
BENCHMARK(OpenSsl)
    ->Name(kOpenSslName)
    ->Repetitions(kRepetitions)
    ->MinTime(kSecondsPerRepetition)
    ->DisplayAggregatesOnly(true);
BENCHMARK(CoreClock)
    ->Name(kClockName)
    ->Repetitions(kRepetitions)
    ->MinTime(kSecondsPerRepetition)
    ->DisplayAggregatesOnly(true);

// Prints as the console reporter does (in colour only on a terminal), and
// keeps each benchmark's median rate.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    MedianReporter() : ConsoleReporter(isatty(STDOUT_FILENO) != 0 ? OO_ColorTabular : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                for (const char* counter : {"bytes_per_second", "items_per_second"}) {
                    const auto found = run.counters.find(counter);
                    if (found != run.counters.end()) {
                        medians[run.run_name.function_name] = found->second.value;
                    }
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;
};

}  // namespace

int main(int argc, char** argv) {
    // Interleaved repetitions unless the command line says otherwise.
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    std::vector<char*> arguments(argv, argv + argc);
    arguments.insert(arguments.begin() + 1, interleave);
    int argumentCount = static_cast<int>(arguments.size());
    benchmark::Initialize(&argumentCount, arguments.data());
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double engine = reporter.medians[kEngineName];
    const double openssl = reporter.medians[kOpenSslName];
    const double clock = reporter.medians[kClockName];
    if (engine > 0 && openssl > 0 && clock > 0) {
        std::printf("\nmedian of %d, 64 KiB buffers, CPU time\n", kRepetitions);
        std::printf("  core clock %.3f GHz, timed by a chain of dependent one-cycle operations\n",
                    clock / 1e9);
        std::printf("  engine   %8.1f MB/s  %5.2f cycles/byte\n", engine / 1e6, clock / engine);
        std::printf("  OpenSSL  %8.1f MB/s  %5.2f cycles/byte\n", openssl / 1e6, clock / openssl);
        std::printf("  ratio engine/OpenSSL: %.3f\n", engine / openssl);
    }
    return 0;
}
