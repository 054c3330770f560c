// qxdemo: runs one optimization of a built-in model through the engine
// library and prints its progress once a second, reading the trial count and
// the best solution back from the optimization log the way the Watcher does.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "OptimizationRun.h"
#include "qxlib8.h"

namespace {

void usage(FILE* out) {
    std::fprintf(out, "Usage: qxdemo [options]\n"
                      "Runs a genetic-algorithm optimization of a built-in model and shows its progress.\n\n"
                      "  --model NAME       portfolio (default), route or feasibility\n"
                      "  --trials N         stop after N trials (default 20000; 0 = no limit)\n"
                      "  --seconds S        stop after S seconds of run time (default 0 = no limit)\n"
                      "  --population N     organisms in the population (default 50)\n"
                      "  --seed N           random seed; the same seed gives the same run (default 1)\n"
                      "  --recalc-us N      microseconds each trial's recalculation takes, as in a\n"
                      "                     spreadsheet (default 250; 0 = as fast as the engine goes)\n"
                      "  --log PATH         optimization log to write (default: a file in the temp folder)\n"
                      "  --help             this text\n");
}

bool parseNumber(const char* text, long long& out) {
    char* end = nullptr;
    out = std::strtoll(text, &end, 10);
    return end != text && *end == '\0' && out >= 0;
}

std::string errorText(int32_t rc) {
    char text[256];
    QxGetErrorTextWVB(static_cast<int16_t>(rc), text, sizeof text);
    return text;
}

std::string hms(int64_t ms) {
    char text[32];
    const int64_t s = ms / 1000;
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                  static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
    return text;
}

} // namespace

int main(int argc, char** argv) {
    std::string modelName = "portfolio";
    std::string logPath;
    addin::RunOptions options;
    options.maxTrials = 20000;
    long long recalcMicroseconds = 250;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "qxdemo: %s needs a value. Try --help.\n", arg.c_str());
            return 2;
        }
        const char* value = argv[++i];
        long long n = 0;
        if (arg == "--model") {
            modelName = value;
        } else if (arg == "--log") {
            logPath = value;
        } else if (!parseNumber(value, n)) {
            std::fprintf(stderr, "qxdemo: %s takes a whole number of 0 or more, not \"%s\".\n", arg.c_str(), value);
            return 2;
        } else if (arg == "--trials") {
            options.maxTrials = n;
        } else if (arg == "--seconds") {
            options.maxMs = n * 1000;
        } else if (arg == "--population") {
            if (n < 2 || n > 100000) {
                std::fprintf(stderr, "qxdemo: --population must be between 2 and 100000.\n");
                return 2;
            }
            options.populationSize = static_cast<int32_t>(n);
        } else if (arg == "--seed") {
            options.seed = static_cast<uint64_t>(n);
        } else if (arg == "--recalc-us") {
            recalcMicroseconds = n;
        } else {
            std::fprintf(stderr, "qxdemo: unknown option %s. Try --help.\n", arg.c_str());
            return 2;
        }
    }
    auto model = models::makeModel(modelName, options.seed);
    if (!model) {
        std::fprintf(stderr, "qxdemo: no built-in model \"%s\"; choose portfolio, route or feasibility.\n",
                     modelName.c_str());
        return 2;
    }
    if (logPath.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        logPath = std::string(tmp && *tmp ? tmp : "/tmp") + "/qxdemo-" + modelName + ".qxlog";
    }

    QxSetProgramMode(0);
    if (int32_t rc = QxInit3(QX_INTERFACE_VERSION, 0, 0, ""); rc != QX_OK) {
        std::fprintf(stderr, "qxdemo: the engine library did not start: %s\n", errorText(rc).c_str());
        return 1;
    }
    int32_t log = 0;
    if (int32_t rc = addin::CreateModelLog(*model, logPath, log); rc != QX_OK) {
        std::fprintf(stderr, "qxdemo: cannot create the log %s: %s\n", logPath.c_str(), errorText(rc).c_str());
        return 1;
    }

    std::printf("Optimizing \"%s\": %s\nLog: %s\n", model->name().c_str(), model->description().c_str(),
                logPath.c_str());
    addin::OptimizationRun run(*model, options, log, 1);
    if (int32_t rc = run.start(); rc != QX_OK) {
        std::fprintf(stderr, "qxdemo: cannot set up the population: %s\n", errorText(rc).c_str());
        return 1;
    }

    auto nextReport = std::chrono::steady_clock::now();
    auto report = [&] {
        int32_t trials = 0, steps = 0, elapsed = 0;
        double best = 0;
        QxLogGetRecordCountsWVB(logPath.c_str(), &trials, &steps);
        if (steps > 0)
            QxLogReadRecordWVB(logPath.c_str(), steps, 1, &elapsed, nullptr, &best, nullptr, nullptr, 0, nullptr, 0,
                               nullptr, 0, nullptr, 0, nullptr);
        std::printf("trial %8d   progress steps %4d   best %-14.8g   run time %s\n", trials, steps, best,
                    hms(QxPopGetTimerValue(run.population())).c_str());
        std::fflush(stdout);
    };
    for (;;) {
        const auto r = run.step();
        if (r == addin::StepResult::Stopped || r == addin::StepResult::NextOptimization)
            break;
        if (r == addin::StepResult::Paused)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        else if (recalcMicroseconds > 0)
            std::this_thread::sleep_for(std::chrono::microseconds(recalcMicroseconds));
        if (std::chrono::steady_clock::now() >= nextReport) {
            report();
            nextReport += std::chrono::seconds(1);
        }
    }
    report();
    QxLogClose(log);
    std::printf("Done: %lld trials, %lld valid; original %.8g, best %.8g\nBest genes:",
                static_cast<long long>(run.trialsDone()), static_cast<long long>(run.validTrials()),
                run.originalValue(), run.bestValue());
    size_t i = 0;
    for (const auto& g : model->groups())
        for (const auto& name : g.geneNames)
            std::printf(" %s=%.4g", name.c_str(), run.bestGenes()[i++]);
    std::printf("\n");
    if (run.lastError() != QX_OK)
        std::fprintf(stderr, "qxdemo: an engine call failed during the run: %s\n", errorText(run.lastError()).c_str());
    QxFree();
    return run.lastError() == QX_OK ? 0 : 1;
}
