// Error texts, failure details and the engine's own log.
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "qxlib8.h"

namespace {

struct KnownError {
    int16_t code;
    const char* text;
};

constexpr KnownError kKnown[] = {
#define KNOWN_ERROR_(name, code, text) {code, text},
    QX_ERRNO_MAP(KNOWN_ERROR_)
#undef KNOWN_ERROR_
};

std::string errorText(int16_t code) {
    std::array<char, 256> buf{};
    EXPECT_EQ(QxGetErrorTextWVB(code, buf.data(), static_cast<int32_t>(buf.size())), QX_OK) << code;
    return buf.data();
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qxlib-core-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

std::string readAll(const std::string& file) {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct ExceptionInfo {
    int32_t filled = 0;
    std::string name, method, message;
};

ExceptionInfo exceptionInfo(int32_t code) {
    std::array<char, 64> name{}, method{};
    std::array<char, 512> message{};
    ExceptionInfo info;
    info.filled = QxGetExceptionInfoWVB(code, name.data(), 64, method.data(), 64, message.data(), 512);
    info.name = name.data();
    info.method = method.data();
    info.message = message.data();
    return info;
}

} // namespace

TEST(ErrorTexts, EveryCodeHasItsOwnText) {
    std::set<std::string> seen;
    for (const KnownError& e : kKnown) {
        const std::string text = errorText(e.code);
        EXPECT_EQ(text, e.text) << e.code;
        EXPECT_TRUE(seen.insert(text).second) << "text shared by two codes: " << text;
    }
    EXPECT_FALSE(errorText(QX_OK).empty());
    EXPECT_EQ(seen.count(errorText(QX_OK)), 0u);
    EXPECT_EQ(errorText(QX_E_VERSION), "the engine library does not match the caller's interface version");
}

TEST(ErrorTexts, UnknownCodesGetATextNamingTheNumber) {
    for (int16_t code : {int16_t{-19}, int16_t{-123}, int16_t{7}, int16_t{INT16_MIN}, int16_t{INT16_MAX}}) {
        const std::string text = errorText(code);
        EXPECT_NE(text.find(std::to_string(code)), std::string::npos) << text;
        for (const KnownError& e : kKnown)
            EXPECT_NE(text, e.text);
    }
}

TEST(ErrorTexts, ShortBuffersAreCutAndTerminatedNeverOverrun) {
    const std::string full = errorText(QX_E_NO_LOG);
    const auto length = static_cast<int32_t>(full.size());
    for (int32_t cap : {1, 2, 5, length, length + 1, length + 2}) {
        std::array<char, 128> buf;
        buf.fill('#');
        const int32_t rc = QxGetErrorTextWVB(QX_E_NO_LOG, buf.data(), cap);
        EXPECT_EQ(rc, cap > length ? QX_OK : QX_E_BUFFER_TOO_SMALL) << cap;
        EXPECT_EQ(std::string(buf.data()), full.substr(0, static_cast<size_t>(std::min(cap - 1, length)))) << cap;
        EXPECT_EQ(buf[static_cast<size_t>(cap)], '#') << "written past capacity " << cap;
    }
    char untouched = '#';
    EXPECT_EQ(QxGetErrorTextWVB(QX_E_NO_LOG, &untouched, 0), QX_E_BUFFER_TOO_SMALL);
    EXPECT_EQ(untouched, '#');
    EXPECT_EQ(QxGetErrorTextWVB(QX_E_NO_LOG, &untouched, -5), QX_E_BUFFER_TOO_SMALL);
    EXPECT_EQ(untouched, '#');
    EXPECT_EQ(QxGetErrorTextWVB(QX_E_NO_LOG, nullptr, 10), QX_OK) << "a NULL buffer is not wanted";
}

TEST(ExceptionInfo, NamesTheFunctionAndWhatWasWrong) {
    const std::string missing = "/nonexistent-folder/Prüfung €/run.qxlog";
    ASSERT_EQ(QxLogGetRecordCountsWVB(missing.c_str(), nullptr, nullptr), QX_E_NO_LOG);
    ExceptionInfo info = exceptionInfo(QX_E_NO_LOG);
    EXPECT_NE(info.filled, 0);
    EXPECT_EQ(info.name, "NoLog");
    EXPECT_EQ(info.method, "QxLogGetRecordCountsWVB");
    EXPECT_NE(info.message.find(missing), std::string::npos) << info.message;

    ASSERT_EQ(QxLogClose(4711), QX_E_INVALID_ARGUMENT);
    info = exceptionInfo(QX_E_INVALID_ARGUMENT);
    EXPECT_EQ(info.name, "InvalidArgument");
    EXPECT_EQ(info.method, "QxLogClose");
    EXPECT_NE(info.message.find("4711"), std::string::npos) << info.message;

    // The NO_LOG details are those of the latest NO_LOG failure.
    ASSERT_EQ(QxLogGetCountsWVB("/nonexistent-folder/other.qxlog", nullptr, nullptr, nullptr), QX_E_NO_LOG);
    info = exceptionInfo(QX_E_NO_LOG);
    EXPECT_EQ(info.method, "QxLogGetCountsWVB");
    EXPECT_NE(info.message.find("other.qxlog"), std::string::npos) << info.message;
}

TEST(ExceptionInfo, UnknownCodesFillNothing) {
    std::array<char, 8> name, method, message;
    for (auto* b : {&name, &method, &message})
        b->fill('#');
    EXPECT_EQ(QxGetExceptionInfoWVB(-999, name.data(), 8, method.data(), 8, message.data(), 8), 0);
    EXPECT_EQ(QxGetExceptionInfoWVB(QX_OK, name.data(), 8, method.data(), 8, message.data(), 8), 0);
    for (auto* b : {&name, &method, &message})
        for (char c : *b)
            EXPECT_EQ(c, '#');
}

TEST(ExceptionInfo, AMessageIsCutBetweenCharactersNeverInsideOne) {
    // Two-, three- and four-byte characters in the path.
    const std::string missing = "/nonexistent/äö€𝄞€ö.qxlog";
    ASSERT_EQ(QxLogGetCountsWVB(missing.c_str(), nullptr, nullptr, nullptr), QX_E_NO_LOG);
    const std::string full = exceptionInfo(QX_E_NO_LOG).message;
    ASSERT_NE(full.find(missing), std::string::npos);
    const size_t start = full.find(missing);
    for (size_t cap = start; cap <= full.size() + 1; ++cap) {
        std::array<char, 512> message;
        message.fill('#');
        ASSERT_NE(QxGetExceptionInfoWVB(QX_E_NO_LOG, nullptr, 0, nullptr, 0, message.data(), static_cast<int32_t>(cap)),
                  0);
        const std::string got(message.data());
        EXPECT_EQ(message[cap], '#') << "written past capacity " << cap;
        ASSERT_LE(got.size() + 1, cap);
        EXPECT_EQ(full.compare(0, got.size(), got), 0) << "not a prefix at capacity " << cap;
        if (got.size() < full.size()) {
            // The next byte starts a character, and nothing that fits was dropped.
            EXPECT_NE(static_cast<unsigned char>(full[got.size()]) & 0xC0, 0x80) << "cut inside a character at " << cap;
            EXPECT_GT(got.size() + 4, cap - 1) << "cut too early at " << cap;
        }
    }
}

TEST(Init, VersionAndProgramMode) {
    EXPECT_EQ(QxSetProgramMode(0), QX_OK);
    EXPECT_EQ(QxInit3(2, 0, 0, ""), QX_E_VERSION);
    EXPECT_EQ(QxInit3(2, 0, 0, ""), -14);
    ExceptionInfo info = exceptionInfo(QX_E_VERSION);
    EXPECT_EQ(info.method, "QxInit3");
    EXPECT_EQ(QxInit3(QX_INTERFACE_VERSION, 0, 0, ""), QX_OK);
    EXPECT_EQ(std::string(QxVersionString()).rfind("8.", 0), 0u);
    EXPECT_EQ(QxFree(), QX_OK);
}

TEST(Init, DetailedLoggingWritesQxLibLogIntoTheLogDirectory) {
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    const std::string logDir = dir.path() + "/logs/selvane"; // made by the engine
    ASSERT_EQ(::setenv("SELVANE_LOG_DIR", logDir.c_str(), 1), 0);
    ASSERT_EQ(QxInit3(QX_INTERFACE_VERSION, QX_INIT_LOG, 0, ""), QX_OK);
    const std::string logFile = logDir + "/QxLib.log";
    ASSERT_TRUE(std::filesystem::exists(logFile));
    EXPECT_NE(readAll(logFile).find("QxInit3"), std::string::npos);

    // Failures are noted with their function and details.
    ASSERT_EQ(QxLogGetCountsWVB("/nonexistent-folder/logged.qxlog", nullptr, nullptr, nullptr), QX_E_NO_LOG);
    const std::string text = readAll(logFile);
    EXPECT_NE(text.find("QxLogGetCountsWVB"), std::string::npos) << text;
    EXPECT_NE(text.find("logged.qxlog"), std::string::npos) << text;

    // QxFree ends detailed logging.
    ASSERT_EQ(QxFree(), QX_OK);
    ASSERT_EQ(QxLogGetCountsWVB("/nonexistent-folder/after-free.qxlog", nullptr, nullptr, nullptr), QX_E_NO_LOG);
    EXPECT_EQ(readAll(logFile).find("after-free.qxlog"), std::string::npos);
    ::unsetenv("SELVANE_LOG_DIR");
}
