// The QxLog* calls: the writer handle table of this process and the cache of
// read connections, one per path.
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "internal.h"
#include "logformat.h"
#include "logreader.h"
#include "logwriter.h"
#include "qxlib8.h"

namespace qx {
namespace {

// Writers by slot; a closed writer's slot is reused by the next create. A
// handle carries its slot (low 16 bits, 1-based) and the generation of the
// writer it was given for (bits 16-30), so a handle kept after its close is
// refused instead of appending into whichever log reuses the slot.
std::mutex g_writersMutex;
std::vector<std::unique_ptr<LogWriter>> g_writers;
std::vector<int32_t> g_slotGenerations; // survives QxFree, so old handles stay refused
int32_t g_nextGeneration = 1;
constexpr int32_t kMaxWriterSlots = 0xFFFF;
constexpr int32_t kMaxGeneration = 0x7FFF;

int32_t slotOf(int32_t handle) {
    return (handle & 0xFFFF) - 1;
}
int32_t generationOf(int32_t handle) {
    return handle >> 16;
}

// One read connection per path. The Watcher calls from one thread; the mutex
// keeps other callers correct, and a call holds it throughout, so a
// connection and its statements are never used by two threads at once.
std::mutex g_readersMutex;
std::map<std::string, std::unique_ptr<LogReader>> g_readers;

// Bounds the cache when a process reads many logs; the Watcher reads one.
constexpr size_t kMaxCachedReaders = 32;

LogWriter* findWriter(int32_t handle) {
    const int32_t slot = slotOf(handle);
    if (handle < 1 || slot < 0 || static_cast<size_t>(slot) >= g_writers.size())
        return nullptr;
    if (g_slotGenerations[static_cast<size_t>(slot)] != generationOf(handle))
        return nullptr;
    return g_writers[static_cast<size_t>(slot)].get();
}

int32_t badHandle(const char* function, int32_t handle) {
    const int32_t slot = slotOf(handle);
    if (handle > 0 && slot >= 0 && static_cast<size_t>(slot) < g_slotGenerations.size() && generationOf(handle) > 0)
        return fail(QX_E_STALE_LOG_HANDLE, function,
                    "log writer handle " + std::to_string(handle) +
                        " was closed; a handle is valid only until its log is closed, so create the log again");
    return fail(QX_E_INVALID_ARGUMENT, function, "unknown log writer handle " + std::to_string(handle));
}

// Runs `body` with the current reader of `path`, opening it when there is
// none or when the file at the path was replaced, cut or removed. A reader
// that met damage is dropped, so the next call starts afresh.
template <typename Body> int32_t withReader(const char* function, const char* path, Body&& body) {
    if (!path || !*path)
        return fail(QX_E_INVALID_ARGUMENT, function, "no log path given");
    const std::string key(path);
    std::lock_guard lock(g_readersMutex);
    struct stat st {};
    if (::stat(path, &st) != 0) {
        const int err = errno;
        g_readers.erase(key);
        if (err == ENOENT || err == ENOTDIR || err == ENAMETOOLONG)
            return fail(QX_E_NO_LOG, function, "no optimization log at " + key);
        return fail(QX_E_SYSTEM, function, "cannot look at the log " + key + ": " + std::strerror(err));
    }
    if (!S_ISREG(st.st_mode)) {
        g_readers.erase(key);
        return fail(QX_E_NOT_A_LOG, function, key + " is not a file, so not an optimization log");
    }
    auto it = g_readers.find(key);
    if (it != g_readers.end() && !it->second->isSameFile(st)) {
        g_readers.erase(it);
        it = g_readers.end();
    }
    std::string why;
    if (it == g_readers.end()) {
        std::unique_ptr<LogReader> reader;
        if (int32_t rc = LogReader::open(key, st, reader, why); rc != QX_OK)
            return fail(rc, function, why);
        if (g_readers.size() >= kMaxCachedReaders)
            g_readers.erase(g_readers.begin());
        it = g_readers.emplace(key, std::move(reader)).first;
        engineLog("opened the optimization log " + key + " for reading");
    }
    const int32_t rc = body(*it->second, why);
    if (!it->second->healthy())
        g_readers.erase(it);
    return rc == QX_OK ? QX_OK : fail(rc, function, why);
}

} // namespace

void releaseLogs() {
    // Readers first: a writer that closes as the last connection to its log
    // folds the -wal file into the main file and removes it.
    {
        std::lock_guard lock(g_readersMutex);
        g_readers.clear();
    }
    std::lock_guard lock(g_writersMutex);
    for (auto& w : g_writers)
        w.reset();
}

} // namespace qx

using qx::LogReader;
using qx::LogWriter;

extern "C" {

QX_API int32_t QxLogCreateWVB(const char* path, int32_t numChromosomes, int32_t numGenes, int32_t numConstraints,
                              const char* const* constraintNames, const int16_t* hardNotSoft, const int16_t* isAtomic,
                              int32_t* log) {
    constexpr const char* kFunction = "QxLogCreateWVB";
    if (!path || !*path)
        return qx::fail(QX_E_INVALID_ARGUMENT, kFunction, "no log path given");
    const std::string where(path);
    if (!log)
        return qx::fail(QX_E_INVALID_ARGUMENT, kFunction, "no place for the handle of the log " + where);
    if (numChromosomes < 0 || numGenes < 0 || numConstraints < 0 ||
        qx::logformat::fixedDoubles(numConstraints, numGenes) > qx::logformat::kMaxRecordDoubles)
        return qx::fail(QX_E_INVALID_ARGUMENT, kFunction,
                        "counts " + std::to_string(numChromosomes) + "/" + std::to_string(numGenes) + "/" +
                            std::to_string(numConstraints) + " are not valid for the log " + where);
    if (numConstraints > 0 && (!constraintNames || !hardNotSoft || !isAtomic))
        return qx::fail(QX_E_INVALID_ARGUMENT, kFunction, "constraint descriptions missing for the log " + where);

    std::lock_guard lock(qx::g_writersMutex);
    // A writer of this process still open on the path would, when closed
    // later, checkpoint into and delete the new log's files: close it first.
    for (auto& w : qx::g_writers)
        if (w && w->path() == where)
            w.reset();
    const LogWriter::Layout layout{numChromosomes, numGenes, numConstraints, constraintNames, hardNotSoft, isAtomic};
    std::unique_ptr<LogWriter> writer;
    std::string why;
    if (int32_t rc = LogWriter::create(where, layout, writer, why); rc != QX_OK)
        return qx::fail(rc, kFunction, why);
    size_t slot = 0;
    while (slot < qx::g_writers.size() && qx::g_writers[slot])
        ++slot;
    if (slot == qx::g_writers.size()) {
        if (slot >= static_cast<size_t>(qx::kMaxWriterSlots))
            return qx::fail(QX_E_NO_MEMORY, kFunction,
                            "too many logs open at once (" + std::to_string(slot) + "); close some first");
        qx::g_writers.emplace_back();
        qx::g_slotGenerations.push_back(0);
    }
    const int32_t generation = qx::g_nextGeneration;
    qx::g_nextGeneration = generation == qx::kMaxGeneration ? 1 : generation + 1;
    qx::g_writers[slot] = std::move(writer);
    qx::g_slotGenerations[slot] = generation;
    *log = (generation << 16) | static_cast<int32_t>(slot + 1);
    qx::engineLog("created the optimization log " + where + " as writer " + std::to_string(*log));
    return QX_OK;
}

QX_API int32_t QxLogAppendTrialWVB(int32_t log, const QxLogRecord* record) {
    std::lock_guard lock(qx::g_writersMutex);
    LogWriter* writer = qx::findWriter(log);
    if (!writer)
        return qx::badHandle("QxLogAppendTrialWVB", log);
    std::string why;
    const int32_t rc = writer->appendTrial(record, why);
    return rc == QX_OK ? QX_OK : qx::fail(rc, "QxLogAppendTrialWVB", why);
}

QX_API int32_t QxLogAppendProgressStepWVB(int32_t log, int32_t selector, const QxLogRecord* record) {
    std::lock_guard lock(qx::g_writersMutex);
    LogWriter* writer = qx::findWriter(log);
    if (!writer)
        return qx::badHandle("QxLogAppendProgressStepWVB", log);
    std::string why;
    const int32_t rc = writer->appendProgressStep(selector, record, why);
    return rc == QX_OK ? QX_OK : qx::fail(rc, "QxLogAppendProgressStepWVB", why);
}

QX_API int32_t QxLogClose(int32_t log) {
    std::lock_guard lock(qx::g_writersMutex);
    if (!qx::findWriter(log))
        return qx::badHandle("QxLogClose", log);
    qx::g_writers[static_cast<size_t>(qx::slotOf(log))].reset();
    return QX_OK;
}

QX_API int32_t QxLogGetRecordCountsWVB(const char* path, int32_t* trialCount, int32_t* progressStepCount) {
    return qx::withReader("QxLogGetRecordCountsWVB", path, [&](LogReader& reader, std::string& why) {
        int32_t trials = 0;
        int32_t steps = 0;
        const int32_t rc = reader.counts(1, trials, steps, why);
        if (rc == QX_OK) {
            if (trialCount)
                *trialCount = trials;
            if (progressStepCount)
                *progressStepCount = steps;
        }
        return rc;
    });
}

QX_API int32_t QxLogGetRecordCounts2WVB(const char* path, int32_t* trialCount, int32_t constrainingValueIndex,
                                        int32_t* progressStepCount) {
    // Index 0 names the trial table, as in QxLogReadRecordWVB; its "progress
    // step count" is then the trial count, the number of rows of that table.
    return qx::withReader("QxLogGetRecordCounts2WVB", path, [&](LogReader& reader, std::string& why) {
        int32_t trials = 0;
        int32_t steps = 0;
        const int32_t rc = reader.counts(constrainingValueIndex, trials, steps, why);
        if (rc == QX_OK) {
            if (trialCount)
                *trialCount = trials;
            if (progressStepCount)
                *progressStepCount = steps;
        }
        return rc;
    });
}

QX_API int32_t QxLogGetCountsWVB(const char* path, int32_t* numChromosomes, int32_t* numGenes,
                                 int32_t* numConstraints) {
    return qx::withReader("QxLogGetCountsWVB", path, [&](LogReader& reader, std::string&) {
        if (numChromosomes)
            *numChromosomes = reader.numChromosomes();
        if (numGenes)
            *numGenes = reader.numGenes();
        if (numConstraints)
            *numConstraints = reader.numConstraints();
        return QX_OK;
    });
}

QX_API int32_t QxLogGetConstraintInfoWVB(const char* path, int32_t constraintIndex, char* name, int32_t nameCapacity,
                                         int16_t* hardNotSoft, int16_t* isAtomic) {
    return qx::withReader("QxLogGetConstraintInfoWVB", path, [&](LogReader& reader, std::string& why) {
        if (constraintIndex < 1 || constraintIndex > reader.numConstraints()) {
            why = "constraint " + std::to_string(constraintIndex) + " does not exist in the log " + std::string(path) +
                  " (" + std::to_string(reader.numConstraints()) + " constraints)";
            return static_cast<int32_t>(QX_E_CONSTRAINT_INDEX);
        }
        const LogReader::Constraint& c = reader.constraints()[static_cast<size_t>(constraintIndex) - 1];
        if (hardNotSoft)
            *hardNotSoft = c.hardNotSoft;
        if (isAtomic)
            *isAtomic = c.isAtomic;
        const int32_t rc = qx::copyString(c.name, name, nameCapacity);
        if (rc != QX_OK)
            why = "the name of constraint " + std::to_string(constraintIndex) + " of the log " + std::string(path) +
                  " needs " + std::to_string(c.name.size() + 1) + " bytes";
        return rc;
    });
}

QX_API int32_t QxLogReadRecordWVB(const char* path, int32_t recordNumber, int32_t tableId, int32_t* elapsedMs,
                                  double* spareValue, double* valueWithPenalties, int32_t* recalcNum,
                                  double* constraintValues, int32_t constraintValuesCapacity,
                                  double* constraintCellValues, int32_t constraintCellValuesCapacity,
                                  double* spareArray, int32_t spareArrayCapacity, double* geneValues,
                                  int32_t geneValuesCapacity, QxLogRecordExtra* extra) {
    const LogReader::RecordOut out{elapsedMs,
                                   spareValue,
                                   valueWithPenalties,
                                   recalcNum,
                                   constraintValues,
                                   constraintValuesCapacity,
                                   constraintCellValues,
                                   constraintCellValuesCapacity,
                                   spareArray,
                                   spareArrayCapacity,
                                   geneValues,
                                   geneValuesCapacity,
                                   extra};
    return qx::withReader("QxLogReadRecordWVB", path, [&](LogReader& reader, std::string& why) {
        return reader.readRecord(recordNumber, tableId, out, why);
    });
}

} // extern "C"
