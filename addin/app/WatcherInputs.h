// Every property the add-in sets on a Watcher manager between Initialize and
// InitializeForms, as a real add-in would set it for a model: names and
// number formats of the objective and the cells, date flags, goal, limits,
// constraints, the efficient frontier's values and their display texts.
// Object references (the host's objects) are added by the D-Bus side.
#pragma once

#include <cstdint>

#include <QList>
#include <QString>
#include <QVariant>

#include "AddinOptions.h"
#include "models/Model.h"

namespace addin {

struct WatcherInput {
    QString name;
    QVariant value; // bool, int, double, QString, or QVariantList for a collection
};

// What the run has set up by the time the Watcher is created.
struct RunSetup {
    int32_t population = 0;
    QString logPath;
    QString progressGraphPath;
    QString helpFilePath;
    int32_t hostProcessId = 0;
};

// Goal types as the add-in's type library numbers them.
constexpr int32_t kGoalMinimum = 1;
constexpr int32_t kGoalMaximum = 2;
constexpr int32_t kGoalTarget = 3;

// Operators of a constraint as the add-in's type library numbers them.
int32_t constraintOperatorCode(const std::string& op);

QList<WatcherInput> watcherInputs(const models::Model& model, const AddinOptions& options, const RunSetup& run);

// The objective as the add-in words it ("Maximum of Expected_Return").
QString objectiveText(const models::Model& model);

} // namespace addin
