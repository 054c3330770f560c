// Error texts, failure details and the engine's own log.
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

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

struct Info {
    int32_t filled;
    std::string name, method, message;
};
Info exceptionInfo(int32_t code) {
    std::array<char, 512> name{}, method{}, message{};
    const int32_t filled = QxGetExceptionInfoWVB(code, name.data(), 512, method.data(), 512, message.data(), 512);
    return {filled, name.data(), method.data(), message.data()};
}

std::string readAll(const std::string& file) {
    std::stringstream s;
    s << std::ifstream(file).rdbuf();
    return s.str();
}

} // namespace

TEST(ErrorTexts, EveryCodeHasItsOwnTextAndUnknownCodesNameTheirNumber) {
    std::set<std::string> seen{errorText(QX_OK)};
    for (const KnownError& e : kKnown) {
        EXPECT_EQ(errorText(e.code), e.text) << e.code;
        EXPECT_TRUE(seen.insert(e.text).second) << "text shared with another code: " << e.text;
    }
    for (int16_t code : {int16_t{-20}, int16_t{-123}, int16_t{7}, int16_t{INT16_MIN}}) {
        const std::string text = errorText(code);
        EXPECT_NE(text.find(std::to_string(code)), std::string::npos) << text;
        EXPECT_EQ(seen.count(text), 0u) << text;
    }
}

TEST(ErrorTexts, ShortBuffersAreCutBetweenCharactersAndNeverOverrun) {
    const std::string full = errorText(QX_E_NO_LOG);
    const auto length = static_cast<int32_t>(full.size());
    for (int32_t cap : {-5, 0, 1, 5, length, length + 1}) {
        std::array<char, 128> buf;
        buf.fill('#');
        EXPECT_EQ(QxGetErrorTextWVB(QX_E_NO_LOG, buf.data() + 1, cap), cap > length ? QX_OK : QX_E_BUFFER_TOO_SMALL);
        if (cap > 0) {
            EXPECT_EQ(std::string(buf.data() + 1), full.substr(0, static_cast<size_t>(cap - 1))) << cap;
        }
        EXPECT_EQ(buf[0], '#');
        EXPECT_EQ(buf[static_cast<size_t>(std::max(cap, 0)) + 1], '#') << "written past capacity " << cap;
    }
    EXPECT_EQ(QxGetErrorTextWVB(QX_E_NO_LOG, nullptr, 10), QX_OK) << "a NULL buffer is not wanted";

    // Texts are UTF-8: a failure message naming a path with two-, three- and
    // four-byte characters is cut before a character, never inside one.
    const std::string missing = "/nonexistent/äö€𝄞€ö.qxlog";
    ASSERT_EQ(QxLogGetCountsWVB(missing.c_str(), nullptr, nullptr, nullptr), QX_E_NO_LOG);
    const std::string message = exceptionInfo(QX_E_NO_LOG).message;
    ASSERT_NE(message.find(missing), std::string::npos) << message;
    for (size_t cap = message.find(missing); cap <= message.size(); ++cap) {
        std::array<char, 512> buf;
        buf.fill('#');
        QxGetExceptionInfoWVB(QX_E_NO_LOG, nullptr, 0, nullptr, 0, buf.data(), static_cast<int32_t>(cap));
        const std::string got(buf.data());
        EXPECT_EQ(buf[cap], '#') << "written past capacity " << cap;
        EXPECT_EQ(message.compare(0, got.size(), got), 0) << "not a prefix at capacity " << cap;
        EXPECT_NE(static_cast<unsigned char>(message[got.size()]) & 0xC0, 0x80) << "cut inside a character at " << cap;
        EXPECT_GE(got.size() + 4, cap) << "cut more than one character short at " << cap;
    }
}

TEST(ExceptionInfo, NamesTheFunctionAndWhatWasWrong) {
    const std::string missing = "/nonexistent-folder/Prüfung €/run.qxlog";
    ASSERT_EQ(QxLogGetRecordCountsWVB(missing.c_str(), nullptr, nullptr), QX_E_NO_LOG);
    Info info = exceptionInfo(QX_E_NO_LOG);
    EXPECT_NE(info.filled, 0);
    EXPECT_EQ(info.name, "NoLog");
    EXPECT_EQ(info.method, "QxLogGetRecordCountsWVB");
    EXPECT_NE(info.message.find(missing), std::string::npos) << info.message;
    ASSERT_EQ(QxLogClose(4711), QX_E_INVALID_ARGUMENT);
    info = exceptionInfo(QX_E_INVALID_ARGUMENT);
    EXPECT_EQ(info.name, "InvalidArgument");
    EXPECT_EQ(info.method, "QxLogClose");
    EXPECT_NE(info.message.find("4711"), std::string::npos) << info.message;

    std::array<char, 8> untouched;
    untouched.fill('#');
    for (int32_t code : {-999, int32_t{QX_OK}})
        EXPECT_EQ(QxGetExceptionInfoWVB(code, untouched.data(), 8, untouched.data(), 8, untouched.data(), 8), 0);
    EXPECT_EQ(std::string(untouched.data(), 8), "########");
}

TEST(ExceptionInfo, DetailsAreKeptPerCode) {
    // The details asked for are those of the latest failure with that code,
    // even when a failure with another code came after it.
    ASSERT_EQ(QxLogGetCountsWVB("/nonexistent-folder/first.qxlog", nullptr, nullptr, nullptr), QX_E_NO_LOG);
    ASSERT_EQ(QxLogClose(-3), QX_E_INVALID_ARGUMENT);
    const Info info = exceptionInfo(QX_E_NO_LOG);
    EXPECT_EQ(info.method, "QxLogGetCountsWVB");
    EXPECT_NE(info.message.find("first.qxlog"), std::string::npos) << info.message;
}

TEST(Init, VersionCheckAndDetailedLogging) {
    EXPECT_EQ(QxSetProgramMode(0), QX_OK);
    EXPECT_EQ(QxInit3(2, 0, 0, ""), -14);
    EXPECT_EQ(exceptionInfo(QX_E_VERSION).method, "QxInit3");

    std::string dir = (std::filesystem::temp_directory_path() / "qxlib-core-XXXXXX").string();
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    const std::string logDir = dir + "/state/selvane"; // the engine makes it
    ASSERT_EQ(::setenv("SELVANE_LOG_DIR", logDir.c_str(), 1), 0);
    ASSERT_EQ(QxInit3(QX_INTERFACE_VERSION, QX_INIT_LOG, 0, ""), QX_OK);
    const std::string logFile = logDir + "/QxLib.log";
    EXPECT_NE(readAll(logFile).find("QxInit3"), std::string::npos) << logFile;
    // Failures are noted with their function and details.
    ASSERT_EQ(QxLogGetCountsWVB("/nonexistent-folder/logged.qxlog", nullptr, nullptr, nullptr), QX_E_NO_LOG);
    EXPECT_NE(readAll(logFile).find("QxLogGetCountsWVB failed (-8): no optimization log at "
                                    "/nonexistent-folder/logged.qxlog"),
              std::string::npos)
        << readAll(logFile);
    // QxFree ends detailed logging.
    ASSERT_EQ(QxFree(), QX_OK);
    ASSERT_EQ(QxLogGetCountsWVB("/nonexistent-folder/after-free.qxlog", nullptr, nullptr, nullptr), QX_E_NO_LOG);
    EXPECT_EQ(readAll(logFile).find("after-free"), std::string::npos);
    ::unsetenv("SELVANE_LOG_DIR");
    std::filesystem::remove_all(dir);
}

TEST(Init, TheEngineLogIsPrivateAndNeverWrittenThroughALink) {
    std::string dir = (std::filesystem::temp_directory_path() / "qxlib-core-XXXXXX").string();
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    const std::string victim = dir + "/notes.txt";
    std::ofstream(victim) << "precious\n";
    const std::string logDir = dir + "/logs";
    ASSERT_EQ(::mkdir(logDir.c_str(), 0700), 0);
    ASSERT_EQ(::symlink(victim.c_str(), (logDir + "/QxLib.log").c_str()), 0);
    ASSERT_EQ(::setenv("SELVANE_LOG_DIR", logDir.c_str(), 1), 0);
    EXPECT_EQ(QxInit3(QX_INTERFACE_VERSION, QX_INIT_LOG, 0, ""), QX_OK);
    QxLogGetCountsWVB("/nonexistent-folder/x.qxlog", nullptr, nullptr, nullptr);
    EXPECT_EQ(readAll(victim), "precious\n") << "the engine log wrote through a planted link";
    QxFree();

    // Without the link the log is made, readable by the user only.
    ASSERT_EQ(::unlink((logDir + "/QxLib.log").c_str()), 0);
    const mode_t old = ::umask(022);
    EXPECT_EQ(QxInit3(QX_INTERFACE_VERSION, QX_INIT_LOG, 0, ""), QX_OK);
    ::umask(old);
    struct stat st {};
    ASSERT_EQ(::stat((logDir + "/QxLib.log").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    QxFree();
    ::unsetenv("SELVANE_LOG_DIR");
    std::filesystem::remove_all(dir);
}
