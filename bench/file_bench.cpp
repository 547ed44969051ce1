// The whole-file case: a 1 GiB file in the page cache, hashed by the compute
// command itself (its open, its 64 KiB reads, the engine and the result
// text, with the recording window-system double standing in for the
// dialog), beside the engine alone on one in-memory 64 KiB buffer and the
// system's `md5sum` and `openssl dgst -md5` on the same file. Five rounds,
// the four interleaved in each; medians of the wall clock, which is what a
// user waits for, and of the CPU time spent (user and system, the commands'
// included), which a busy shared machine disturbs less. The file is deleted
// at the end.
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "checksum/compute.h"
#include "digest/md5.h"
#include "resources/resource.h"
#include "test_support.h"
#include "window_system_double.h"

namespace {

constexpr std::size_t kChunkSize = 65536;
constexpr std::size_t kFileSize = std::size_t{1} << 30;
constexpr int kRounds = 5;

struct Seconds {
    double wall;
    double cpu;
};

// This process's CPU time and that of its finished children, user and system.
double CpuSeconds() {
    // Neither call can fail: both fail only for a clock or target that Linux
    // lacks, or a bad address, and the records here are on the stack.
    timespec own{};
    static_cast<void>(clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &own));
    rusage children{};
    static_cast<void>(getrusage(RUSAGE_CHILDREN, &children));
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
    };
    return static_cast<double>(own.tv_sec) + 1e-9 * static_cast<double>(own.tv_nsec) +
           seconds(children.ru_utime) + seconds(children.ru_stime);
}

Seconds SecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    work();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            CpuSeconds() - cpuStart};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The file's bytes: the chunk, with each copy's first bytes made distinct.
bool WriteFile(const std::string& path, std::vector<unsigned char> chunk) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool written = true;
    for (std::size_t offset = 0; offset < kFileSize && written; offset += kChunkSize) {
        std::memcpy(chunk.data(), &offset, sizeof offset);
        written = std::fwrite(chunk.data(), 1, kChunkSize, file) == kChunkSize;
    }
    return std::fclose(file) == 0 && written;
}

// Reads the whole file once, so that every timed pass finds it in memory.
bool ReadFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    std::vector<unsigned char> buffer(kChunkSize);
    std::size_t total = 0;
    for (std::size_t count; (count = std::fread(buffer.data(), 1, kChunkSize, file)) > 0;) {
        total += count;
    }
    static_cast<void>(std::fclose(file));  // read only: nothing to lose
    return total == kFileSize;
}

// Runs a shell command and returns the first word it prints, lower case, or
// nothing if the command fails.
std::string FirstWordOf(const std::string& command) {
    // Through the shell on purpose: the point is to time the system's own
    // md5sum and openssl as a user runs them. The command is fixed text and a
    // path that main() single-quotes, having refused any path with a quote.
    std::FILE* pipe = popen(command.c_str(), "r");  // NOLINT(cert-env33-c): as said above
    if (pipe == nullptr) {
        return {};
    }
    std::string output;
    char piece[256];
    while (std::fgets(piece, sizeof piece, pipe) != nullptr) {
        output += piece;
    }
    // A command that failed may still have printed something; that is no digest.
    if (pclose(pipe) != 0) {
        return {};
    }
    // `openssl dgst` prints "MD5(path)= digest"; md5sum prints "digest  path".
    const std::size_t equals = output.find("= ");
    std::string word = equals != std::string::npos ? output.substr(equals + 2) : output;
    const std::size_t wordEnd = word.find_first_of(" \n");
    if (wordEnd != std::string::npos) {
        word.erase(wordEnd);
    }
    std::transform(word.begin(), word.end(), word.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return word;
}

struct Contender {
    const char* name;
    std::function<std::string()> run;       // returns the digest it computed, lower case
    std::vector<double> bytesPerSecond;     // by the wall clock
    std::vector<double> bytesPerCpuSecond;  // by the CPU time spent
    std::string digest;
};

}  // namespace

int main() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/quorvin-file-bench-XXXXXX";
    if (folder.find('\'') != std::string::npos || mkdtemp(folder.data()) == nullptr) {
        // Diagnostics go to stderr; if even that fails, the exit status still tells.
        static_cast<void>(
            std::fprintf(stderr, "cannot make a temporary folder under %s\n", folder.c_str()));
        return 1;
    }
    const std::string path = folder + "/1GiB.bin";
    const std::string quotedPath = "'" + path + "'";
    const std::vector<unsigned char> chunk = RandomBytes(kChunkSize, 1);

    std::vector<Contender> contenders = {
        {"compute command (OnCompute, 64 KiB reads)",
         [&path] {
             window_double::Reset();
             window_double::SetControlText(IDC_PATH, path);
             OnCompute(window_double::Dialog());
             std::string text = window_double::ControlText(IDC_RESULT);
             std::transform(text.begin(), text.end(), text.begin(),
                            [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
             return text;
         },
         {},
         {},
         {}},
        {"engine alone, one 64 KiB buffer in memory",
         [&chunk] {
             Md5Context context;
             Md5Init(context);
             for (std::size_t done = 0; done < kFileSize; done += kChunkSize) {
                 Md5Update(context, chunk.data(), kChunkSize);
             }
             unsigned char digest[kMd5DigestSize];
             Md5Final(digest, context);
             return std::string();  // a different message: no digest to compare
         },
         {},
         {},
         {}},
        {"md5sum", [&quotedPath] { return FirstWordOf("md5sum " + quotedPath); }, {}, {}, {}},
        {"openssl dgst -md5",
         [&quotedPath] { return FirstWordOf("openssl dgst -md5 " + quotedPath); },
         {},
         {},
         {}},
    };

    int status = 0;
    if (!WriteFile(path, chunk) || !ReadFile(path)) {
        static_cast<void>(std::fprintf(stderr, "cannot write and read back %s\n", path.c_str()));
        status = 1;
    } else {
        for (int round = 0; round < kRounds; ++round) {
            for (Contender& contender : contenders) {
                const Seconds seconds =
                    SecondsOf([&contender] { contender.digest = contender.run(); });
                contender.bytesPerSecond.push_back(static_cast<double>(kFileSize) / seconds.wall);
                contender.bytesPerCpuSecond.push_back(static_cast<double>(kFileSize) / seconds.cpu);
            }
        }
    }
    // A gigabyte left behind in the temporary folder is worth a failing exit;
    // the file is missing only if writing it failed, which is reported above.
    bool cleanedUp = true;
    if (std::remove(path.c_str()) != 0 && errno != ENOENT) {
        static_cast<void>(std::fprintf(stderr, "cannot delete %s\n", path.c_str()));
        cleanedUp = false;
    }
    if (rmdir(folder.c_str()) != 0) {
        static_cast<void>(std::fprintf(stderr, "cannot delete %s\n", folder.c_str()));
        cleanedUp = false;
    }
    if (status != 0) {
        return status;
    }

    for (const bool byCpu : {false, true}) {
        std::printf("1 GiB file in the page cache, %d rounds, MB/s by the %s\n", kRounds,
                    byCpu ? "CPU time spent" : "wall clock");
        const auto rates = [byCpu](const Contender& contender) {
            return byCpu ? contender.bytesPerCpuSecond : contender.bytesPerSecond;
        };
        for (const Contender& contender : contenders) {
            std::printf("  %-44s", contender.name);
            for (const double rate : rates(contender)) {
                std::printf(" %7.1f", rate / 1e6);
            }
            std::printf("   median %7.1f\n", Median(rates(contender)) / 1e6);
        }
        const double compute = Median(rates(contenders[0]));
        std::printf("  compute / engine alone:      %.3f\n",
                    compute / Median(rates(contenders[1])));
        std::printf("  compute / md5sum:            %.3f\n",
                    compute / Median(rates(contenders[2])));
        std::printf("  compute / openssl dgst -md5: %.3f\n",
                    compute / Median(rates(contenders[3])));
    }

    const bool agree = contenders[0].digest == contenders[2].digest &&
                       contenders[0].digest == contenders[3].digest;
    std::printf("  digest %s: %s\n", contenders[0].digest.c_str(),
                agree ? "md5sum and openssl agree" : "DIFFERS from md5sum or openssl");
    return agree && cleanedUp ? 0 : 1;
}
