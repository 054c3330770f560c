#include "HostApplicationObject.h"

namespace addin {

HostApplicationObject::HostApplicationObject(QObject* parent) : QObject(parent) {}

int HostApplicationObject::ReportGraphSize(int kind, int& height) {
    Q_UNUSED(kind);
    ++m_graphSizeRequests;
    height = reportGraphSize().height();
    return reportGraphSize().width();
}

void HostApplicationObject::ReceiveStoppingOptions(bool generateOptimizationSummary, bool writeLogOfAllTrials,
                                                   bool writeLogOfProgressSteps, int solutionToKeep) {
    m_received =
        StoppingChoices{generateOptimizationSummary, writeLogOfAllTrials, writeLogOfProgressSteps, solutionToKeep};
    Q_EMIT stoppingOptionsReceived();
}

} // namespace addin
