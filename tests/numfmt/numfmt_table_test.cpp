// Runs every case of tests/data/numfmt_cases.tsv: value, format code, the
// text the host shows, and a note.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ol/NumberFormat.h"

namespace {

struct Case {
    int line = 0;
    std::string value;
    std::string code;
    std::string expected;
    std::string note;
};

std::string casesPath() {
    if (const char* dir = std::getenv("SELVANE_TEST_DATA_DIR")) {
        const std::filesystem::path p = std::filesystem::path(dir) / "numfmt_cases.tsv";
        if (std::filesystem::exists(p))
            return p.string();
    }
    return NUMFMT_CASES_FILE;
}

// "|text|" keeps leading and trailing spaces; "||" is the empty text.
std::string unwrap(const std::string& field) {
    if (field.size() >= 2 && field.front() == '|' && field.back() == '|')
        return field.substr(1, field.size() - 2);
    return field;
}

std::vector<Case> loadCases() {
    std::vector<Case> cases;
    std::ifstream in(casesPath());
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> fields;
        std::stringstream ss(line);
        std::string f;
        while (std::getline(ss, f, '\t'))
            fields.push_back(f);
        if (fields.size() < 3) {
            ADD_FAILURE() << "line " << number << ": fewer than three fields";
            continue;
        }
        cases.push_back({number, fields[0], unwrap(fields[1]), unwrap(fields[2]), fields.size() > 3 ? fields[3] : ""});
    }
    return cases;
}

TEST(NumberFormatTable, EveryCaseShowsAsTheHostShowsIt) {
    const std::vector<Case> cases = loadCases();
    ASSERT_GE(cases.size(), 200u) << "case table missing or short: " << casesPath();
    int failures = 0;
    std::string out;
    for (const Case& c : cases) {
        const auto f = ol::NumberFormat::compile(c.code);
        if (c.value.rfind("text:", 0) == 0) {
            f->formatText(c.value.substr(5), out);
        } else {
            char* end = nullptr;
            const double v = std::strtod(c.value.c_str(), &end);
            ASSERT_TRUE(end && *end == '\0') << "line " << c.line << ": bad value '" << c.value << "'";
            f->format(v, out);
        }
        if (out != c.expected) {
            ++failures;
            ADD_FAILURE() << "line " << c.line << ": " << c.value << " with [" << c.code << "]\n"
                          << "  expected [" << c.expected << "]\n"
                          << "  got      [" << out << "]" << (c.note.empty() ? "" : "  (" + c.note + ")");
        }
    }
    EXPECT_EQ(failures, 0) << "of " << cases.size() << " cases";
}

// The codes the table marks as unusable must be reported as such, and the
// ones it uses as real formats must not be.
TEST(NumberFormatTable, UnusableCodesAreReportedAndOthersAreNot) {
    bool inUnusable = false;
    std::ifstream in(casesPath());
    std::string line;
    int checked = 0;
    while (std::getline(in, line)) {
        if (line.rfind("# ", 0) == 0) {
            inUnusable = line.find("cannot be used") != std::string::npos;
            continue;
        }
        if (line.empty() || line[0] == '#')
            continue;
        const std::string code =
            unwrap(line.substr(line.find('\t') + 1, line.find('\t', line.find('\t') + 1) - line.find('\t') - 1));
        const auto f = ol::NumberFormat::compile(code);
        EXPECT_EQ(f->valid(), !inUnusable) << "[" << code << "] " << f->error();
        if (inUnusable) {
            EXPECT_FALSE(f->error().empty()) << "[" << code << "]";
        }
        ++checked;
    }
    EXPECT_GE(checked, 200);
}

} // namespace
