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

TEST(OLError, NumbersAndHexNames) {
    EXPECT_EQ(ol::kErrGeneral, 0x8004000Au);
    EXPECT_EQ(ol::kErrLibraryNotFound, 0x8004000Bu);
    EXPECT_EQ(ol::kErrTimer, 0x80040013u);
    EXPECT_EQ(ol::kErrInvalidArgument, 0x80040014u);
    EXPECT_EQ(ol::kErrQxLibMinus14, 0x80040857u);

    const struct {
        uint32_t number;
        const char* hex;
    } cases[] = {{ol::kErrGeneral, "8004000A"},      {ol::kErrLibraryNotFound, "8004000B"},
                 {ol::kErrTimer, "80040013"},        {ol::kErrInvalidArgument, "80040014"},
                 {ol::kErrQxLibMinus14, "80040857"}, {0x1u, "00000001"},
                 {0xFFFFFFFFu, "FFFFFFFF"}};
    for (const auto& c : cases)
        EXPECT_EQ(ol::OLError(c.number, QString(), QString()).hexNumber(), QString::fromLatin1(c.hex));
}

TEST(OLError, RaiseCarriesNumberSourceAndText) {
    try {
        ol::raiseError(ol::kErrInvalidArgument, QStringLiteral("GetCommonString"), QStringLiteral("whichString"));
        FAIL() << "raiseError returned";
    } catch (const std::exception& e) {
        const auto* error = dynamic_cast<const ol::OLError*>(&e);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->number(), ol::kErrInvalidArgument);
        EXPECT_EQ(error->source(), QStringLiteral("GetCommonString"));
        EXPECT_EQ(error->description(), QStringLiteral("whichString"));
        EXPECT_STREQ(e.what(), "whichString");
    }
    // what() is UTF-8 and survives copies.
    const ol::OLError original(ol::kErrGeneral, QString(), QStringLiteral("Größe ungültig"));
    const ol::OLError copy = original;
    EXPECT_STREQ(copy.what(), "Gr\xC3\xB6\xC3\x9F"
                              "e ung\xC3\xBCltig");
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
    EXPECT_TRUE(guard.run([&] { ran.push_back(3); })) << "the unlock after a failing step still runs";
    EXPECT_FALSE(guard.run([] { throw std::runtime_error("disk full"); }));
    EXPECT_FALSE(guard.run([] { throw 42; }));

    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(guard.failed());
    EXPECT_EQ(guard.failureCount(), 3);
    ASSERT_TRUE(guard.lastError().has_value());
    EXPECT_EQ(guard.lastError()->number(), ol::kErrGeneral);
    EXPECT_EQ(guard.lastDescription(), QStringLiteral("Unknown error."));
    EXPECT_EQ(logged, (std::vector<QString>{QStringLiteral("Unable to start polling timer."),
                                            QStringLiteral("disk full"), QStringLiteral("Unknown error.")}));
    guard.clear();
    EXPECT_FALSE(guard.failed());
    EXPECT_FALSE(guard.lastError().has_value());
}

TEST(StepGuard, KeepsNumbersOfOLErrorsAndSurvivesAFailingHandler) {
    ol::StepGuard guard([](const ol::OLError&) { throw std::runtime_error("log file not writable"); });
    EXPECT_FALSE(guard.run([] { failWith(ol::kErrLibraryNotFound, "Could not load the library."); }));
    EXPECT_EQ(guard.failureCount(), 1);
    ASSERT_TRUE(guard.lastError().has_value());
    EXPECT_EQ(guard.lastError()->number(), ol::kErrLibraryNotFound);
    EXPECT_EQ(guard.lastError()->source(), QStringLiteral("Step"));
}

TEST(StepGuard, TryOrStopsAtFirstErrorAndGivesTheDefault) {
    EXPECT_EQ(ol::tryOr(-2, [] { return -1; }), -1);
    int later = 0;
    std::vector<uint32_t> numbers;
    const int answer = ol::tryOr(
        -2,
        [&]() -> int {
            failWith(ol::kErrGeneral, "question failed");
            later = 1;
            return -1;
        },
        [&](const ol::OLError& e) { numbers.push_back(e.number()); });
    EXPECT_EQ(answer, -2);
    EXPECT_EQ(later, 0);
    EXPECT_EQ(numbers, std::vector<uint32_t>{ol::kErrGeneral});
    EXPECT_EQ(ol::tryOr(QStringLiteral("none"), []() -> QString { throw std::bad_alloc(); }), QStringLiteral("none"));
}

TEST(StepGuard, CurrentExceptionAsErrorNamesTheSource) {
    try {
        throw std::invalid_argument("bad rate");
    } catch (...) {
        const ol::OLError e = ol::currentExceptionAsError(QStringLiteral("FormRate"));
        EXPECT_EQ(e.number(), ol::kErrGeneral);
        EXPECT_EQ(e.source(), QStringLiteral("FormRate"));
        EXPECT_EQ(e.description(), QStringLiteral("bad rate"));
    }
}

TEST(ErrorReport, TextNamesNumberAndOperation) {
    const ol::OLError e(ol::kErrGeneral, QStringLiteral("Initialize"),
                        QStringLiteral("Cannot optimize, because optimization is under way in another copy of Excel."));
    EXPECT_EQ(ol::errorReportText(e),
              QStringLiteral("Cannot optimize, because optimization is under way in another copy of Excel.\n\n"
                             "Error 8004000A in Initialize"));
    EXPECT_EQ(ol::errorReportText(ol::OLError(ol::kErrTimer, QString(), QString())), QStringLiteral("Error 80040013"));
}
