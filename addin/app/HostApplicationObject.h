// The add-in's own application object as it exports it to the Watcher
// (org.selvane.Host.Application1): the size of report graphs and the
// receiver of the person's stopping choices.
#pragma once

#include <cstdint>
#include <optional>

#include <QObject>
#include <QSize>

namespace addin {

struct StoppingChoices {
    bool generateOptimizationSummary = true;
    bool writeLogOfAllTrials = false;
    bool writeLogOfProgressSteps = false;
    int32_t solutionToKeep = -1; // -1 best, -2 original, -5 last
};

class HostApplicationObject : public QObject {
    Q_OBJECT

public:
    // Report graphs are this size, in pixels, whatever their kind.
    static QSize reportGraphSize() { return {800, 500}; }

    explicit HostApplicationObject(QObject* parent = nullptr);

    const std::optional<StoppingChoices>& receivedChoices() const { return m_received; }
    int graphSizeRequests() const { return m_graphSizeRequests; }

public Q_SLOTS:
    // Width (result) and height (out argument) of a report graph of `kind`.
    int ReportGraphSize(int kind, int& height);
    void ReceiveStoppingOptions(bool generateOptimizationSummary, bool writeLogOfAllTrials,
                                bool writeLogOfProgressSteps, int solutionToKeep);

Q_SIGNALS:
    void stoppingOptionsReceived();

private:
    std::optional<StoppingChoices> m_received;
    int m_graphSizeRequests = 0;
};

} // namespace addin
