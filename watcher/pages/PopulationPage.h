#pragma once

#include <QObject>

#include "DelimitedTableModel.h"
#include "PopulationTable.h"

class QFrame;
class QTableView;

namespace manager {
class WatcherManager;
class PopulationReader;
} // namespace manager

namespace watcher {

// Page 3 of the Watcher window: the live population in the grid
// SGGridPopulation, one row per organism (the highest engine index first)
// with its objective value and every gene. The grid is rebuilt whole from one
// delimited text on each refresh while the page is shown.
class PopulationPage final : public QObject {
    Q_OBJECT

public:
    // Width in twips of the leading column, which has no caption.
    static constexpr double kLeadingColumnWidth = 500;
    static constexpr double kOrganismColumnWidth = 1200;
    static constexpr double kObjectiveColumnWidth = 1000;
    static constexpr double kGeneColumnWidth = 1000;

    // Creates the grid on the page's frame.
    explicit PopulationPage(QFrame* frame);

    QTableView* grid() const { return SGGridPopulation; }
    const manager::DelimitedTableModel& model() const { return m_model; }

    // The population form of the grid set-up: columns for the organism, the
    // objective and each of the first 1024 genes, and one empty row for each
    // of the first 512 organisms.
    void GridInitialize(manager::WatcherManager& manager);

    // Rebuilds the grid from the population; errors end the update and the
    // grid keeps what it showed.
    void Update_ValueTable(manager::WatcherManager& manager);
    // The same over any population reader.
    void Update_ValueTable(manager::WatcherManager& manager, manager::PopulationReader& reader);

private:
    QTableView* SGGridPopulation = nullptr;
    manager::DelimitedTableModel m_model;
    manager::PopulationTable m_table;
};

} // namespace watcher
