// The texts as the Windows build stores them: GBK bytes, for the narrow
// ("A") window-system functions on a system whose code page is 936.
#include <iconv.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "resources/texts.h"

namespace {

// The GBK encoding of UTF-8 `text`, by the C library's converter.
std::string ToGbk(const std::string& text) {
    const iconv_t converter = iconv_open("GBK", "UTF-8");
    // iconv_open's failure value is (iconv_t)-1, an integer made a pointer.
    EXPECT_NE(converter, reinterpret_cast<iconv_t>(-1));  // NOLINT(performance-no-int-to-ptr)
    std::string input = text;
    std::string output(text.size() * 2, '\0');
    char* in = input.data();
    char* out = output.data();
    std::size_t inLeft = input.size();
    std::size_t outLeft = output.size();
    EXPECT_NE(iconv(converter, &in, &inLeft, &out, &outLeft), static_cast<std::size_t>(-1)) << text;
    iconv_close(converter);
    output.resize(output.size() - outLeft);
    return output;
}

const struct {
    const char* name;
    const char* text;
} kTexts[] = {
    {"kPathPrompt", kPathPrompt},
    {"kResultStart", kResultStart},
    {"kBusyText", kBusyText},
    {"kEmptyPathText", kEmptyPathText},
    {"kOpenFailedText", kOpenFailedText},
    {"kReadFailedText", kReadFailedText},
    {"kLargeFileNotice", kLargeFileNotice},
    {"kLargeFileCaption", kLargeFileCaption},
};

TEST(WindowsTexts, EveryTextIsStoredAsItsGbkBytes) {
    if (!std::filesystem::exists(QUORVIN_WINDOWS_TEXTS_LIBRARY)) {
        GTEST_SKIP() << QUORVIN_WINDOWS_TEXTS_LIBRARY " is not built: "
                     << QUORVIN_WINDOWS_BUILD_COMMAND;
    }
    std::ifstream file(QUORVIN_WINDOWS_TEXTS_LIBRARY, std::ios::binary);
    ASSERT_TRUE(file) << "cannot read " QUORVIN_WINDOWS_TEXTS_LIBRARY;
    const std::string library{std::istreambuf_iterator<char>(file), {}};
    for (const auto& entry : kTexts) {
        const std::string utf8 = entry.text;
        // With the terminator: the whole text, not the start of a longer one.
        const std::string gbk = ToGbk(utf8) + '\0';
        EXPECT_NE(gbk, utf8 + '\0') << entry.name << " has no Chinese characters";
        EXPECT_NE(library.find(gbk), std::string::npos) << entry.name << " is not stored as GBK";
        EXPECT_EQ(library.find(utf8), std::string::npos) << entry.name << " is stored as UTF-8";
    }
}

TEST(WindowsTexts, PunctuationIsAsciiNotFullWidth) {
    // Full-width forms of ! , . and the ellipsis would each take two GBK bytes.
    const char* const fullWidth[] = {"！", "，", "。", "…", "．"};
    for (const auto& entry : kTexts) {
        for (const char* mark : fullWidth) {
            EXPECT_EQ(std::string(entry.text).find(mark), std::string::npos)
                << entry.name << " contains " << mark;
        }
    }
}

}  // namespace
