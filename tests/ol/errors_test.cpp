#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "ol/ErrorReporter.h"
#include "ol/OLError.h"
#include "ol/StepGuard.h"

namespace {

void failWith(uint32_t number, const char* description) {
    ol::raiseError(number, QStringLiteral("Step"), QString::fromUtf8(description));
}

} // namespace

TEST(OLError, HexNamesAndUtf8Text) {
    const struct {
        uint32_t number;
        const char* hex;
    } cases[] = {{ol::kErrGeneral, "8004000A"}, {ol::kErrQxLibMinus14, "80040857"}, {0x1u, "00000001"}};
    for (const auto& c : cases)
        EXPECT_EQ(ol::OLError(c.number, QString(), QString()).hexNumber(), QString::fromLatin1(c.hex));

    const ol::OLError original(ol::kErrGeneral, QString(), QStringLiteral("Größe ungültig"));
    const ol::OLError copy = original;
    EXPECT_STREQ(copy.what(), "Gr\xC3\xB6\xC3\x9F"
                              "e ung\xC3\xBCltig");
    EXPECT_EQ(
        ol::errorReportText(ol::OLError(ol::kErrGeneral, QStringLiteral("Initialize"), QStringLiteral("No log."))),
        QStringLiteral("No log.\n\nError 8004000A in Initialize"));
}

TEST(StepGuard, GoesOnAfterAFailingStepAndRecordsIt) {
    std::vector<QString> logged;
    ol::StepGuard guard([&](const ol::OLError& e) { logged.push_back(e.description()); });
    std::vector<int> ran;
    EXPECT_TRUE(guard.run([&] { ran.push_back(1); }));
    EXPECT_FALSE(guard.failed());
    EXPECT_TRUE(guard.lastDescription().isEmpty());

    EXPECT_FALSE(guard.run([&] {
        ran.push_back(2);
        failWith(ol::kErrTimer, "Unable to start polling timer.");
        ran.push_back(99);
    }));
    ASSERT_TRUE(guard.lastError().has_value());
    EXPECT_EQ(guard.lastError()->number(), ol::kErrTimer);
    EXPECT_EQ(guard.lastError()->source(), QStringLiteral("Step"));
    EXPECT_TRUE(guard.run([&] { ran.push_back(3); })) << "the unlock after a failing step still runs";
    EXPECT_FALSE(guard.run([] { throw std::runtime_error("disk full"); }));
    EXPECT_FALSE(guard.run([] { throw 42; }));

    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(guard.failureCount(), 3);
    EXPECT_EQ(guard.lastError()->number(), ol::kErrGeneral);
    EXPECT_EQ(logged, (std::vector<QString>{QStringLiteral("Unable to start polling timer."),
                                            QStringLiteral("disk full"), QStringLiteral("Unknown error.")}));
    guard.clear();
    EXPECT_FALSE(guard.failed());
    EXPECT_FALSE(guard.lastError().has_value());
}

TEST(StepGuard, SurvivesAFailingHandler) {
    ol::StepGuard guard([](const ol::OLError&) { throw std::runtime_error("log file not writable"); });
    EXPECT_FALSE(guard.run([] { failWith(ol::kErrLibraryNotFound, "Could not load the library."); }));
    EXPECT_EQ(guard.failureCount(), 1);
    EXPECT_TRUE(guard.run([] {}));
}

TEST(StepGuard, TryOrStopsAtFirstErrorAndGivesTheDefault) {
    EXPECT_EQ(ol::tryOr(-2, [] { return -1; }), -1);
    int later = 0;
    std::vector<uint32_t> numbers;
    const int answer = ol::tryOr(
        -2,
        [&]() -> int {
            failWith(ol::kErrInvalidArgument, "question failed");
            later = 1;
            return -1;
        },
        [&](const ol::OLError& e) { numbers.push_back(e.number()); });
    EXPECT_EQ(answer, -2);
    EXPECT_EQ(later, 0);
    EXPECT_EQ(numbers, std::vector<uint32_t>{ol::kErrInvalidArgument});
    EXPECT_EQ(ol::tryOr(QStringLiteral("none"), []() -> QString { throw std::bad_alloc(); }), QStringLiteral("none"));
}
