// The library exports exactly its C interface: every function of the public
// header, and no C++ symbol.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace {

std::set<std::string> headerFunctions() {
    std::ifstream in(QXLIB8_HEADER_PATH);
    std::stringstream s;
    s << in.rdbuf();
    const std::string text = s.str();
    // "QX_API <return type> Name(" - the return type may hold '*' and spaces.
    const std::regex declaration(R"(QX_API\s+[A-Za-z_][A-Za-z0-9_\s\*]*?\b([A-Za-z_][A-Za-z0-9_]*)\s*\()");
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), declaration); it != std::sregex_iterator(); ++it)
        names.insert((*it)[1].str());
    return names;
}

// Defined dynamic symbols of the library: name -> nm's type letter.
std::multimap<std::string, char> exportedSymbols(std::string& error) {
    const char* dir = std::getenv("SELVANE_SYSTEM_DIR");
    if (!dir) {
        error = "SELVANE_SYSTEM_DIR is not set";
        return {};
    }
    const std::string command = std::string("nm -D --defined-only '") + dir + "/libqxlib8.so'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        error = "cannot run " + command;
        return {};
    }
    std::multimap<std::string, char> symbols;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name)
            symbols.emplace(name, type[0]);
    }
    if (::pclose(pipe) != 0)
        error = command + " failed";
    return symbols;
}

} // namespace

TEST(Exports, EveryHeaderFunctionAndNoCxxSymbol) {
    const std::set<std::string> declared = headerFunctions();
    // The header parse itself must find what the Watcher calls.
    for (const char* name : {"QxSetProgramMode",
                             "QxInit3",
                             "QxFree",
                             "QxGetErrorTextWVB",
                             "QxGetExceptionInfoWVB",
                             "QxPopLock",
                             "QxPopUnlock",
                             "QxPopGetRunStatus",
                             "QxPopSetRunStatus",
                             "QxPopGetTimerValue",
                             "QxOrgGetResult",
                             "QxOrgGetGenes",
                             "QxChrGetMutationMode",
                             "QxChrGetCurrentMutationRate",
                             "QxChrGetCrossoverRate",
                             "QxChrSetMutationMode",
                             "QxChrSetCrossoverRate",
                             "QxChrGetGeneCount",
                             "QxGeneGetValue",
                             "QxGeneGetRange",
                             "QxLogGetRecordCountsWVB",
                             "QxLogGetRecordCounts2WVB",
                             "QxLogReadRecordWVB",
                             "QxLogGetCountsWVB",
                             "QxLogGetConstraintInfoWVB",
                             "QxReadTempData",
                             "QxWriteTempData",
                             "QxLogCreateWVB",
                             "QxLogAppendTrialWVB",
                             "QxLogAppendProgressStepWVB",
                             "QxLogClose",
                             "QxVersionString"})
        EXPECT_EQ(declared.count(name), 1u) << name << " not found in the header";

    std::string error;
    const auto symbols = exportedSymbols(error);
    ASSERT_TRUE(error.empty()) << error;
    ASSERT_FALSE(symbols.empty());
    for (const std::string& name : declared) {
        const auto it = symbols.find(name);
        if (it == symbols.end())
            ADD_FAILURE() << name << " is declared but not exported";
        else {
            EXPECT_EQ(it->second, 'T') << name << " is exported but not as a function";
        }
    }
    for (const auto& [name, type] : symbols)
        EXPECT_NE(name.rfind("_Z", 0), 0u) << "C++ symbol exported: " << name;
}
