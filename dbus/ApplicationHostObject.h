#pragma once

#include <QObject>

namespace dbusif {

// Base of an add-in's org.selvane.Host.Application1 object: subclass it,
// export it like ExcelHostObject and hand its bus name and path to the
// manager's Input_Application.
class ApplicationHostObject : public QObject {
    Q_OBJECT

public:
    explicit ApplicationHostObject(QObject* parent = nullptr);

public Q_SLOTS:
    // Width (returned) and height in pixels of report graphs of `kind`.
    virtual int ReportGraphSize(int kind, int& height) = 0;
    virtual void ReceiveStoppingOptions(bool generateOptimizationSummary, bool writeLogOfAllTrials,
                                        bool writeLogOfProgressSteps, int solutionToKeep) = 0;
};

} // namespace dbusif
