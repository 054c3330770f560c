#include <cstdlib>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include "ol/ResourceServer.h"
#include "test_env.h"

using oltest::EnvVar;

namespace {

struct UsedNumber {
    int number = 0;
    int argumentCount = 0;
    QString use;
};

// The authoritative list of the resource numbers the system uses, from the
// test data folder of the environment or else the shared one of the sources.
std::vector<UsedNumber> usedNumbers() {
    std::vector<UsedNumber> list;
    QString path;
    if (const char* dataDir = std::getenv("SELVANE_TEST_DATA_DIR"))
        path = QString::fromLocal8Bit(dataDir) + QStringLiteral("/resource_numbers.txt");
    if (path.isEmpty() || !QFile::exists(path))
        path = QStringLiteral(OL_SHARED_TEST_DATA_DIR "/resource_numbers.txt");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return list;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        UsedNumber u;
        u.number = line.section(u' ', 0, 0).toInt();
        u.argumentCount = line.section(u' ', 1, 1).toInt();
        u.use = line.section(u' ', 2);
        list.push_back(u);
    }
    return list;
}

std::set<QString> placeholders(const QString& text) {
    std::set<QString> found;
    static const QRegularExpression re(QStringLiteral("%[0-9]"));
    for (const QRegularExpressionMatch& m : re.globalMatch(text))
        found.insert(m.captured());
    return found;
}

} // namespace

TEST(ResourceServer, ParsesLanguageNames) {
    const struct {
        const char* text;
        int language;
    } cases[] = {{"de", 7},      {"DE", 7},  {"de_DE.UTF-8", 7}, {"de-AT", 7}, {"de@euro", 7},     {"German", 7},
                 {"deutsch", 7}, {"7", 7},   {" de ", 7},        {"en", 9},    {"en_US.UTF-8", 9}, {"English", 9},
                 {"9", 9},       {"10", 10}, {"fr_FR", 0},       {"", 0},      {"C", 0},           {"-3", 0},
                 {"0", 0},       {"dex", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ol::ResourceServer::parseLanguage(QString::fromUtf8(c.text)), c.language) << c.text;
}

TEST(ResourceServer, LanguageSettingFromEnvironmentElseStoredElseNone) {
    QTemporaryDir config;
    EnvVar c("XDG_CONFIG_HOME", config.path());
    {
        EnvVar env("SELVANE_LANGUAGE", nullptr);
        EXPECT_EQ(ol::ResourceServer::languageSetting(2), 0);
        ASSERT_TRUE(ol::ResourceServer::storeLanguageSetting(2, ol::kLanguageGerman));
        EXPECT_EQ(ol::ResourceServer::languageSetting(2), ol::kLanguageGerman);
        EXPECT_EQ(ol::ResourceServer::languageSetting(1), 0) << "settings are per product";
    }
    {
        EnvVar env("SELVANE_LANGUAGE", "en_GB.UTF-8");
        EXPECT_EQ(ol::ResourceServer::languageSetting(2), ol::kLanguageEnglish) << "the environment wins";
    }
    {
        EnvVar env("SELVANE_LANGUAGE", "klingon");
        EXPECT_EQ(ol::ResourceServer::languageSetting(2), ol::kLanguageGerman) << "an unknown name does not count";
    }
}

TEST(ResourceServer, FactoryFollowsTheSettingString) {
    EXPECT_EQ(ol::ResourceServer::settingString(ol::kLanguageGerman), QStringLiteral("de"));
    EXPECT_EQ(ol::ResourceServer::settingString(0), QString());

    EnvVar env("SELVANE_LANGUAGE", "de_DE.UTF-8");
    const auto server = ol::ResourceServer::create(
        QStringLiteral("Selvane8"), ol::ResourceServer::settingString(ol::ResourceServer::languageSetting(2)));
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(server->language(), ol::kLanguageGerman);
    EXPECT_EQ(server->productName(), QStringLiteral("Selvane8"));
    EXPECT_EQ(server->text(4014), QStringLiteral("Fortschritt"));

    EXPECT_EQ(ol::ResourceServer::create(QStringLiteral("Selvane8"), QString())->language(), ol::kLanguageEnglish);
    // Spanish has no texts of its own: English texts, and English for layout.
    const auto spanish = ol::ResourceServer::create(QStringLiteral("Selvane8"), QStringLiteral("10"));
    EXPECT_EQ(spanish->language(), ol::kLanguageEnglish);
    EXPECT_EQ(spanish->text(4014), QStringLiteral("Progress"));
    spanish->setLanguage(ol::kLanguageGerman);
    EXPECT_EQ(spanish->text(2216), QStringLiteral("Ja"));
    spanish->setLanguage(12);
    EXPECT_EQ(spanish->language(), ol::kLanguageEnglish);
}

TEST(ResourceServer, ArgumentsAreSubstituted) {
    ol::ResourceServer en;
    ol::ResourceServer de(ol::kLanguageGerman);
    EXPECT_EQ(en.text(4120, 250, 1000), QStringLiteral("250 of 1000"));
    EXPECT_EQ(de.text(4120, 250, 1000), QStringLiteral("250 von 1000"));
    EXPECT_EQ(en.text(4051, QStringLiteral("Selvane")), QStringLiteral("Selvane is optimizing..."));

    using S = ol::ResourceServer;
    const QString args[] = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    EXPECT_EQ(S::substitute(QStringLiteral("%3-%1-%2-%1"), args), QStringLiteral("C-A-B-A"));
    // One pass: an argument that looks like a placeholder stays as it is.
    const QString tricky[] = {QStringLiteral("%2"), QStringLiteral("x")};
    EXPECT_EQ(S::substitute(QStringLiteral("%1 and %2"), tricky), QStringLiteral("%2 and x"));
    // Placeholders without arguments stay visible; other percent signs are text.
    EXPECT_EQ(S::substitute(QStringLiteral("%1 of %2"), std::span(args, 1)), QStringLiteral("A of %2"));
    EXPECT_EQ(S::substitute(QStringLiteral("100% %4 %0 %"), args), QStringLiteral("100% %4 %0 %"));
    EXPECT_EQ(S::substitute(QStringLiteral("%10"), args), QStringLiteral("A0"));
}

TEST(ResourceServer, MissingNumberGivesMarkerAndIsReported) {
    ol::ResourceServer server(ol::kLanguageGerman);
    std::vector<std::pair<int, int>> reported;
    server.setMissingTextHandler([&](int id, int language) { reported.emplace_back(id, language); });
    EXPECT_EQ(server.text(1234), QStringLiteral("[missing text 1234]"));
    EXPECT_EQ(server.text(1, QStringLiteral("x")), QStringLiteral("[missing text 1]"));
    EXPECT_EQ(reported, (std::vector<std::pair<int, int>>{{1234, ol::kLanguageGerman}, {1, ol::kLanguageGerman}}));
    EXPECT_FALSE(ol::ResourceServer::hasText(1234, ol::kLanguageEnglish));
    EXPECT_FALSE(ol::ResourceServer::rawText(4014, 12).has_value());
}

TEST(ResourceServer, EveryUsedNumberHasEnglishAndGermanTexts) {
    const std::vector<UsedNumber> used = usedNumbers();
    ASSERT_GE(used.size(), 100u) << "tests/data/resource_numbers.txt was not found or is incomplete";
    std::vector<int> numbers;
    for (const UsedNumber& u : used) {
        SCOPED_TRACE(testing::Message() << u.number << " (" << u.use.toStdString() << ")");
        numbers.push_back(u.number);
        std::set<QString> expected;
        for (int i = 1; i <= u.argumentCount; ++i)
            expected.insert(QStringLiteral("%%1").arg(i));
        for (int language : {ol::kLanguageEnglish, ol::kLanguageGerman}) {
            const std::optional<QString> text = ol::ResourceServer::rawText(u.number, language);
            ASSERT_TRUE(text.has_value()) << "language " << language;
            EXPECT_FALSE(text->trimmed().isEmpty()) << "language " << language;
            EXPECT_EQ(placeholders(*text), expected) << "language " << language << ": " << text->toStdString();
        }
    }
    // No text is kept that nothing uses, and both tables hold the same numbers.
    EXPECT_EQ(ol::ResourceServer::textNumbers(ol::kLanguageEnglish), numbers);
    EXPECT_EQ(ol::ResourceServer::textNumbers(ol::kLanguageGerman), numbers);
}
