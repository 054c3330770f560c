// On-disk layout of the optimization log: identification, schema and the
// encoding of one record's doubles.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

#include "qxlib8.h"

namespace qx::logformat {

// Written as PRAGMA application_id, so it sits at byte 68 of the file header
// ("SVLG"); a file without it is not one of our logs.
inline constexpr int32_t kApplicationId = 0x53564C47;
// Also written as PRAGMA user_version; readers refuse other versions.
inline constexpr int32_t kSchemaVersion = 1;
inline constexpr char kMagic[] = "Selvane optimization log";

// Fixed at creation; readers check the page count of the header against the
// file size with it.
inline constexpr int kPageSize = 4096;

// Every table of a log, created in one transaction. Record doubles live in
// one blob so that NaN payloads and -0.0 survive (SQLite REAL columns turn NaN
// into NULL and store integral values as integers).
inline constexpr char kSchemaSql[] = R"sql(
CREATE TABLE meta(
  id INTEGER PRIMARY KEY CHECK (id = 1),
  magic TEXT NOT NULL,
  schema_version INTEGER NOT NULL,
  num_chromosomes INTEGER NOT NULL,
  num_genes INTEGER NOT NULL,
  num_constraints INTEGER NOT NULL);
CREATE TABLE constraints(
  idx INTEGER PRIMARY KEY,
  name TEXT NOT NULL,
  hard_not_soft INTEGER NOT NULL,
  atomic INTEGER NOT NULL);
CREATE TABLE trials(
  num INTEGER PRIMARY KEY,
  elapsed_ms INTEGER NOT NULL,
  recalc_num INTEGER NOT NULL,
  valid_trial_count INTEGER NOT NULL,
  marker_flag INTEGER NOT NULL,
  vals BLOB NOT NULL);
CREATE TABLE progress_steps(
  selector INTEGER NOT NULL,
  num INTEGER NOT NULL,
  elapsed_ms INTEGER NOT NULL,
  recalc_num INTEGER NOT NULL,
  valid_trial_count INTEGER NOT NULL,
  marker_flag INTEGER NOT NULL,
  vals BLOB NOT NULL,
  PRIMARY KEY (selector, num)) WITHOUT ROWID;
)sql";

// Blob layout, in doubles: spareValue, valueWithPenalties,
// constrainingCellValue, constraintValues[C], constraintCellValues[C],
// geneValues[G], spareArray[S]. The spare array is last so that its length
// follows from the blob's size. Doubles are stored in the machine's byte order.
static_assert(std::endian::native == std::endian::little, "the log stores little-endian doubles");
inline constexpr int64_t kScalarDoubles = 3;

// Keeps one record far below SQLite's 1 GB limit for a value.
inline constexpr int64_t kMaxRecordDoubles = 50'000'000;

inline int64_t fixedDoubles(int32_t numConstraints, int32_t numGenes) {
    return kScalarDoubles + 2 * static_cast<int64_t>(numConstraints) + numGenes;
}

// Fills `out` with the record's doubles in blob order. The caller has checked
// that the arrays are present for their counts.
void encodeRecord(const QxLogRecord& record, int32_t numConstraints, int32_t numGenes, std::vector<double>& out);

} // namespace qx::logformat
