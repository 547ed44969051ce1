// Md5Update throughput on 64 KiB buffers, the compute command's read size,
// beside OpenSSL's MD5 on the same buffers in the same run. Each is run five
// times; the medians and their ratio are printed at the end.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "digest/md5.h"

namespace {

constexpr std::size_t kBufferSize = 65536;

const std::vector<unsigned char>& Buffer() {
    static const std::vector<unsigned char> buffer = [] {
        std::vector<unsigned char> bytes(kBufferSize);
        std::mt19937 generator(1);
        for (auto& byte : bytes) {
            byte = static_cast<unsigned char>(generator());
        }
        return bytes;
    }();
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
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * std::int64_t{kBufferSize});
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
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * std::int64_t{kBufferSize});
}

BENCHMARK(Engine)->Name("Md5Update/64KiB")->Repetitions(5)->DisplayAggregatesOnly(true);
BENCHMARK(OpenSsl)->Name("OpenSSL_MD5/64KiB")->Repetitions(5)->DisplayAggregatesOnly(true);

// Prints as the console reporter does, and keeps each benchmark's median.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians[run.run_name.function_name] = run.counters.at("bytes_per_second").value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double engine = reporter.medians["Md5Update/64KiB"];
    const double openssl = reporter.medians["OpenSSL_MD5/64KiB"];
    if (engine > 0 && openssl > 0) {
        std::printf("\nmedian of 5, 64 KiB buffers\n");
        std::printf("  engine   %8.1f MB/s\n", engine / 1e6);
        std::printf("  OpenSSL  %8.1f MB/s\n", openssl / 1e6);
        std::printf("  ratio engine/OpenSSL: %.3f\n", engine / openssl);
    }
    return 0;
}
