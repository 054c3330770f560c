// The library exports exactly its C interface: every function of the public
// header, and no C++ symbol.
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "qxlib8.h"

TEST(Exports, EveryHeaderFunctionAndNoCxxSymbol) {
    // "QX_API <return type> Name(", the type possibly with '*' and spaces.
    std::stringstream header;
    header << std::ifstream(QXLIB8_HEADER_PATH).rdbuf();
    const std::string text = header.str();
    const std::regex declaration(R"(QX_API\s+[A-Za-z_][\w\s\*]*?\b(\w+)\s*\()");
    std::set<std::string> declared;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), declaration); it != std::sregex_iterator(); ++it)
        declared.insert((*it)[1].str());
    for (const char* name : {"QxSetProgramMode",
                             "QxInit3",
                             "QxFree",
                             "QxGetErrorTextWVB",
                             "QxGetExceptionInfoWVB",
                             "QxPopLock",
                             "QxPopTryLock",
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
                             "QxLogClose"})
        EXPECT_EQ(declared.count(name), 1u) << name << " not found in the header";

    // The system directory of the build, else the library this test is linked to.
    std::string library;
    if (const char* dir = std::getenv("SELVANE_SYSTEM_DIR"); dir && *dir) {
        library = std::string(dir) + "/libqxlib8.so";
    } else {
        Dl_info info{};
        ASSERT_NE(::dladdr(reinterpret_cast<void*>(&QxVersionString), &info), 0);
        library = info.dli_fname;
    }
    const std::string command = "nm -D --defined-only '" + library + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::map<std::string, char> exported; // name -> nm's type letter
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name)
            exported.emplace(name, type[0]);
    }
    ASSERT_EQ(::pclose(pipe), 0) << command;
    for (const std::string& name : declared) {
        const auto it = exported.find(name);
        EXPECT_TRUE(it != exported.end() && it->second == 'T') << name << " is not exported as a function";
    }
    for (const auto& [name, type] : exported)
        EXPECT_NE(name.rfind("_Z", 0), 0u) << "C++ symbol exported: " << name;
}
