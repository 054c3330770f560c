#include "AddinOptions.h"

#include <limits>

namespace addin {

namespace {

bool parseWhole(const QString& text, int64_t lowest, int64_t highest, int64_t& out) {
    bool ok = false;
    const qlonglong n = text.toLongLong(&ok);
    if (!ok || n < lowest || n > highest)
        return false;
    out = n;
    return true;
}

} // namespace

QString addinUsage() {
    return QStringLiteral("Usage: selvane-addin [options]\n"
                          "Plays the add-in and its spreadsheet: optimizes a built-in model with the\n"
                          "engine library and shows the run in the Selvane Watcher over D-Bus.\n"
                          "\n"
                          "Model and run:\n"
                          "  --model NAME          portfolio (default; budget genes and a risk limit),\n"
                          "                        route (order genes: a round trip through twelve cities)\n"
                          "                        or feasibility (a staffing plan under hard rules)\n"
                          "  --trials N            stop after N trials (default 20000; 0 = no limit)\n"
                          "  --seconds S           stop after S seconds of run time (default 0 = no limit)\n"
                          "  --population N        organisms in the population, 2 to 100000 (default 50)\n"
                          "  --seed N              random seed; the same seed gives the same model and run\n"
                          "                        (default 1)\n"
                          "  --recalc-us N         microseconds each trial's recalculation takes, as in a\n"
                          "                        spreadsheet (default 250; 0 = as fast as the engine goes)\n"
                          "  --efficient-frontier  portfolio only: one optimization per risk limit\n"
                          "                        (0.08 to 0.16), each with its own progress steps\n"
                          "  --constraint-solver   feasibility only (its default): look for any plan that\n"
                          "                        meets every rule\n"
                          "  --no-constraint-solver  feasibility only: minimize the total staff; plans\n"
                          "                        breaking a rule are invalid, and when the original plan\n"
                          "                        breaks some the Watcher asks whether the constraint\n"
                          "                        solver should help\n"
                          "  --conflicting-rule    feasibility only: add a rule that contradicts another;\n"
                          "                        the Watcher asks whether to run anyway\n"
                          "  --multi-core N        run control as in a multi-core run with N worker\n"
                          "                        processes (the Watcher pauses at once); the trials still\n"
                          "                        run in this process\n"
                          "\n"
                          "Watcher:\n"
                          "  --no-watcher          run without the Watcher; the run shows only in the\n"
                          "                        plain text progress line (printed in every mode)\n"
                          "  --unattended          nobody is asked anything: alerts are off and the\n"
                          "                        stopping options are not shown, so the run ends by\n"
                          "                        itself\n"
                          "  --excel-updating M    how the sheet shows recalculations at the start: every,\n"
                          "                        best (default) or none; the Watcher's menu changes it\n"
                          "\n"
                          "Files:\n"
                          "  --log PATH            optimization log to write (default: a file in\n"
                          "                        $XDG_STATE_HOME/selvane/runs, a folder of your own)\n"
                          "  --status-file PATH    keep the run's state (population handle, log, state,\n"
                          "                        Watcher process, the bus name of the host objects) in\n"
                          "                        this file, one key=value a line\n"
                          "  --help                this text\n"
                          "\n"
                          "While it runs: Ctrl+C stops the run as the Watcher's Stop does; in an\n"
                          "efficient-frontier run, kill -USR1 <pid> plays the host's Next optimization\n"
                          "button (the Watcher asks whether to move on; unattended, it moves on), and so\n"
                          "does typing n and Enter at the terminal.\n"
                          "\n"
                          "At the end it prints the run's summary and the stopping choices: those the\n"
                          "person made in the Watcher, or the add-in's defaults. An efficient-frontier\n"
                          "run on screen that got to its last optimization also gets the frontier's\n"
                          "chart in a workbook (.xlsx) beside the log, named in the summary.\n");
}

std::optional<AddinOptions> parseAddinOptions(const QStringList& arguments, QString& error) {
    AddinOptions o;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        // Flags without a value.
        if (arg == u"--help" || arg == u"-h") {
            o.help = true;
            continue;
        }
        if (arg == u"--efficient-frontier") {
            o.efficientFrontier = true;
            continue;
        }
        if (arg == u"--constraint-solver" || arg == u"--no-constraint-solver") {
            o.constraintSolver = arg == u"--constraint-solver";
            continue;
        }
        if (arg == u"--conflicting-rule") {
            o.conflictingRule = true;
            continue;
        }
        if (arg == u"--unattended") {
            o.unattended = true;
            continue;
        }
        if (arg == u"--no-watcher") {
            o.watcher = false;
            continue;
        }
        static const QStringList withValue = {QStringLiteral("--model"),      QStringLiteral("--trials"),
                                              QStringLiteral("--seconds"),    QStringLiteral("--population"),
                                              QStringLiteral("--seed"),       QStringLiteral("--recalc-us"),
                                              QStringLiteral("--multi-core"), QStringLiteral("--excel-updating"),
                                              QStringLiteral("--log"),        QStringLiteral("--status-file")};
        if (!withValue.contains(arg)) {
            error = QStringLiteral("unknown option %1. Try --help.").arg(arg);
            return std::nullopt;
        }
        if (i + 1 >= arguments.size()) {
            error = QStringLiteral("%1 needs a value. Try --help.").arg(arg);
            return std::nullopt;
        }
        const QString value = arguments[++i];
        int64_t n = 0;
        if (arg == u"--model") {
            if (value != u"portfolio" && value != u"route" && value != u"feasibility") {
                error = QStringLiteral("no built-in model \"%1\"; choose portfolio, route or feasibility.").arg(value);
                return std::nullopt;
            }
            o.model = value;
        } else if (arg == u"--log") {
            o.logPath = value;
        } else if (arg == u"--status-file") {
            o.statusFile = value;
        } else if (arg == u"--excel-updating") {
            if (value == u"every")
                o.excelUpdating = ExcelUpdating::EveryRecalculation;
            else if (value == u"best")
                o.excelUpdating = ExcelUpdating::NewBestOnly;
            else if (value == u"none")
                o.excelUpdating = ExcelUpdating::None;
            else {
                error = QStringLiteral("--excel-updating takes every, best or none, not \"%1\".").arg(value);
                return std::nullopt;
            }
        } else if (arg == u"--population") {
            if (!parseWhole(value, 2, 100000, n)) {
                error = QStringLiteral("--population must be a whole number from 2 to 100000, not \"%1\".").arg(value);
                return std::nullopt;
            }
            o.populationSize = static_cast<int32_t>(n);
        } else if (arg == u"--multi-core") {
            if (!parseWhole(value, 1, 256, n)) {
                error = QStringLiteral("--multi-core must be a number of worker processes from 1 to 256, not \"%1\".")
                            .arg(value);
                return std::nullopt;
            }
            o.multiCoreWorkers = static_cast<int32_t>(n);
        } else if (!parseWhole(value, 0, std::numeric_limits<int32_t>::max(), n)) {
            error = QStringLiteral("%1 takes a whole number of 0 or more, not \"%2\".").arg(arg, value);
            return std::nullopt;
        } else if (arg == u"--trials") {
            o.maxTrials = n;
        } else if (arg == u"--seconds") {
            o.maxSeconds = n;
        } else if (arg == u"--seed") {
            o.seed = static_cast<uint64_t>(n);
        } else if (arg == u"--recalc-us") {
            o.recalcMicroseconds = n;
        }
    }
    if (o.efficientFrontier && o.model != u"portfolio") {
        error = QStringLiteral("--efficient-frontier needs the portfolio model, whose risk limit it varies.");
        return std::nullopt;
    }
    if ((o.constraintSolver || o.conflictingRule) && o.model != u"feasibility") {
        error = QStringLiteral("the constraint-solver options need the feasibility model, the one with hard rules.");
        return std::nullopt;
    }
    return o;
}

} // namespace addin
