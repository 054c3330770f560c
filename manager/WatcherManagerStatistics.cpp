// How far the run is: counts and values from the optimization log, the
// engine's run timer, single organisms' results and the status line of the
// full window. Every query catches its own errors and returns its default.
#include "DiagnosticLog.h"
#include "Formatting.h"
#include "LogReaders.h"
#include "ManagerSupport.h"
#include "QxLibBinding.h"
#include "ResourceStrings.h"
#include "WatcherManager.h"
#include "ol/SpecialValues.h"

namespace manager {

using engine::DiagnosticLog;
using support::writeLog;

namespace {
template <class T, class F> T query(const QString& name, T fallback, F&& f) {
    return ol::tryOr(fallback, std::forward<F>(f), [&](const ol::OLError& e) { DiagnosticLog::WriteError(name, e); });
}
} // namespace

double WatcherManager::TrialCount() {
    return query(QStringLiteral("TrialCount"), 0.0, [&] { return double(engine::Log_GetTrialCount(m_Input_LogPath)); });
}

double WatcherManager::ValidTrialCount() {
    return query(QStringLiteral("ValidTrialCount"), 0.0,
                 [&] { return double(engine::Log_GetValidTrialCount(m_Input_LogPath)); });
}

double WatcherManager::ProgressStepCount() {
    return query(QStringLiteral("ProgressStepCount"), 0.0,
                 [&] { return double(engine::Log_GetProgressStepCount(m_Input_LogPath)); });
}

double WatcherManager::ObjectiveValueForBestOriginalLast(qint32 which) {
    return query(QStringLiteral("ObjectiveValueForBestOriginalLast"), ol::kNoValue,
                 [&] { return engine::Log_GetObjectiveValueWithPenaltiesForBestOriginalLast(m_Input_LogPath, which); });
}

double WatcherManager::ObjectiveValueBest() {
    return ObjectiveValueForBestOriginalLast(engine::kWhichBest);
}

double WatcherManager::ObjectiveValueOriginal() {
    return ObjectiveValueForBestOriginalLast(engine::kWhichOriginal);
}

bool WatcherManager::AdjustableCellValuesForBestOriginalLast(qint32 which, QList<double>& values) {
    return query(QStringLiteral("AdjustableCellValuesForBestOriginalLast"), false, [&] {
        return engine::Log_GetAdjustableCellValuesForBestOriginalLast(m_Input_LogPath, which, values);
    });
}

double WatcherManager::BestTrialNumber() {
    return query(QStringLiteral("BestTrialNumber"), 0.0,
                 [&] { return double(engine::Log_GetBestTrialNumber(m_Input_LogPath)); });
}

bool WatcherManager::EFFrontierSolution(qint32 constrainingValueIndex, double& valueWithPenalties, qint32& trialNumber,
                                        qint32& progressStepNumber) {
    return query(QStringLiteral("EFFrontierSolution"), false, [&] {
        return engine::Log_EFGetFrontierSolution(m_Input_LogPath, constrainingValueIndex, valueWithPenalties,
                                                 trialNumber, progressStepNumber);
    });
}

qint32 WatcherManager::ElapsedTicks() {
    writeLog(QStringLiteral("WatcherManger, ElapsedTicks, about to call QxPopGetTimerValue, popHandle=%1")
                 .arg(m_Input_PopHandle));
    const qint32 ticks = query(QStringLiteral("ElapsedTicks"), qint32(0), [&] {
        const int32_t value = engine::QxLib().QxPopGetTimerValue(m_Input_PopHandle);
        if (value < 0) {
            engine::LogQxLibError(QStringLiteral("ElapsedTicks"), QStringLiteral("QxPopGetTimerValue"), value, false);
            return int32_t(0);
        }
        return value;
    });
    writeLog(QStringLiteral("WatcherManger, ElapsedTicks, QxPopGetTimerValue returned"));
    return ticks;
}

double WatcherManager::getSelvaneResult(qint32 organism) {
    double result = ol::kNoValue;
    writeLog(QStringLiteral("WatcherManager.getSelvaneResult: entering"));
    writeLog(QStringLiteral("WatcherManager.getSelvaneResult: about to call QxOrgGetResult(%1, %2, tempValue, "
                            "objectiveValue, ByVal 0&, flags)")
                 .arg(m_Input_PopHandle)
                 .arg(organism));
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("getSelvaneResult"));
    guard.run([&] {
        double tempValue = 0.0;
        double objectiveValue = 0.0;
        int32_t flags = 0;
        const int16_t rc =
            engine::QxLib().QxOrgGetResult(m_Input_PopHandle, organism, &tempValue, &objectiveValue, 0, &flags);
        writeLog(QStringLiteral("WatcherManager.getSelvaneResult: QxOrgGetResult returned: %1").arg(rc));
        if (rc != 0) {
            writeLog(QStringLiteral("Error calling QxOrgGetResult in getSelvaneResult: %1").arg(rc));
            return;
        }
        // Neither "not evaluated" nor "invalid": the value counts.
        if ((flags & 0x3) == 0)
            result = tempValue;
    });
    writeLog(QStringLiteral("WatcherManager.getSelvaneResult: exiting"));
    return result;
}

QString WatcherManager::FormatObjectiveValue(double value) {
    return query(QStringLiteral("FormatObjectiveValue"), QString(),
                 [&] { return engine::FormatValueForDisplay(value, m_Input_TargetCellValuesTreatedAsDates, false); });
}

QString WatcherManager::FormatConstrainingValue(double value) {
    return query(QStringLiteral("FormatConstrainingValue"), QString(), [&] {
        return engine::FormatValueForDisplay(value, m_Input_EFConstrainedCellValuesTreatedAsDate, false);
    });
}

QString WatcherManager::ProgressStatusText() {
    // Each part is built from whatever its query returned; a part that fails
    // altogether is left out.
    const auto part = [](auto&& build) {
        return query(QStringLiteral("ProgressStatusText"), QString(), std::forward<decltype(build)>(build));
    };
    const auto elapsedPart = [&] {
        return part([&] { return engine::GetResourceString(2454, engine::FormatElapsedTime(ElapsedTicks())); });
    };
    const auto whole = [](double x) { return static_cast<qint64>(x); };
    QStringList parts;

    if (m_Input_EFPerformAnalysis) {
        parts << part([&] { return engine::GetResourceString(2461, whole(NumTrialUnderWay())); }) << elapsedPart();
        parts.removeAll(QString());
        return parts.join(u' ');
    }

    const double best = ObjectiveValueBest();
    const double original = ObjectiveValueOriginal();
    const double trials = TrialCount();
    if (m_Input_ConstraintSolverMode) {
        parts << part([&] {
            return engine::GetResourceString(4510, m_Input_ConstraintSolver_HardConstraintDescriptions.count());
        }) << part([&] {
            return engine::GetResourceString(2464, engine::FormatConstraintViolations(best, false),
                                             whole(BestTrialNumber()));
        }) << part([&] { return engine::GetResourceString(2465, engine::FormatConstraintViolations(original, false)); })
              << part([&] { return engine::GetResourceString(2461, whole(trials)); }) << elapsedPart();
        parts.removeAll(QString());
        return parts.join(QStringLiteral("    "));
    }

    parts << part([&] {
        // Without a best value to show (before the first progress step) the
        // trial number would mean nothing either.
        if (ol::isSpecial(best))
            return engine::GetResourceString(2463, engine::FormatNumberGeneral(best));
        return engine::GetResourceString(2464, FormatObjectiveValue(best), whole(BestTrialNumber()));
    }) << part([&] { return engine::GetResourceString(2465, FormatObjectiveValue(original)); })
          << part([&] {
                 const double valid = ValidTrialCount();
                 if (valid == trials)
                     return engine::GetResourceString(2461, whole(trials));
                 return engine::GetResourceString(2462, whole(valid), whole(trials));
             })
          << elapsedPart();
    parts.removeAll(QString());
    return parts.join(u' ');
}

} // namespace manager
