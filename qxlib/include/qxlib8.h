/*
 * qxlib8.h - the Selvane optimization engine library (libqxlib8.so).
 *
 * A plain C ABI shared by two kinds of caller:
 *   - the add-in, which creates a population, runs the steady-state genetic
 *     algorithm one evaluation per trial and writes the optimization log;
 *   - the Watcher, a separate process, which reads the same population (by
 *     its 32-bit handle), the numbered temp-data channels and the log.
 *
 * Conventions (libuv-like):
 *   - Integer results: 0 (QX_OK) for success, a negative QX_E_* code for a
 *     failure; QxGetErrorTextWVB gives the text of any code. Calls documented
 *     as returning a value (a status, a count, a rate) return it directly and
 *     use a negative value (or -1.0 for rates) for an error.
 *   - 16-bit values are int16_t, Longs int32_t, Booleans int16_t with
 *     true = -1 (QX_TRUE) and false = 0.
 *   - Strings are UTF-8. In-strings are `const char*`; out-strings are a
 *     caller buffer plus its capacity in bytes (including the terminating
 *     NUL). Arrays are a caller buffer plus its element count. The library
 *     never writes past a capacity it was given: a buffer that is too small
 *     is filled as far as it goes (strings stay NUL-terminated and are cut at
 *     a character boundary) and the call returns QX_E_BUFFER_TOO_SMALL.
 *     A NULL out-pointer means "not wanted" and is never an error.
 *   - Organism, chromosome, gene and record numbers are 1-based.
 *
 * Every call is safe to make from several processes at once. Calls that read
 * or change a population may be bracketed by QxPopLock/QxPopUnlock when the
 * caller needs several reads or changes to be consistent.
 */
#ifndef QXLIB8_H
#define QXLIB8_H

#include <stdint.h>

#if defined(QXLIB8_BUILDING)
#define QX_API __attribute__((visibility("default")))
#else
#define QX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* 16-bit constants without a C-style cast in C++ (callers build with
 * -Wold-style-cast). */
#ifdef __cplusplus
#define QX_INT16_(v) (static_cast<int16_t>(v))
#else
#define QX_INT16_(v) ((int16_t)(v))
#endif

#define QX_TRUE QX_INT16_(-1)
#define QX_FALSE QX_INT16_(0)

/* Interface version that QxInit3's first argument must name. */
#define QX_INTERFACE_VERSION 1

/* ------------------------------------------------------------------------
 * Error codes. One table generates the codes and their texts.
 * ------------------------------------------------------------------------ */
#define QX_ERRNO_MAP(XX)                                                                                               \
    XX(INVALID_ARGUMENT, -1, "an argument is not valid")                                                               \
    XX(NO_MEMORY, -2, "out of memory")                                                                                 \
    XX(BAD_HANDLE, -3, "unknown population handle")                                                                    \
    XX(CHROMOSOME_INDEX, -4, "chromosome index out of range")                                                          \
    XX(GENE_INDEX, -5, "gene index out of range")                                                                      \
    XX(ORGANISM_INDEX, -6, "organism index out of range")                                                              \
    XX(BUFFER_TOO_SMALL, -7, "buffer too small")                                                                       \
    XX(NO_LOG, -8, "no such optimization log")                                                                         \
    XX(NOT_A_LOG, -9, "the file is not an optimization log")                                                           \
    XX(LOG_DAMAGED, -10, "the optimization log is damaged")                                                            \
    XX(RECORD_RANGE, -11, "record number out of range")                                                                \
    XX(CHANNEL, -12, "temp-data channel or byte count out of range")                                                   \
    XX(SYSTEM, -13, "a system call failed")                                                                            \
    XX(VERSION, -14, "the engine library does not match the caller's interface version")                               \
    XX(LOCK_TIMEOUT, -15, "the population stayed locked by another process")                                           \
    XX(LOG_WRITE, -16, "the optimization log could not be written")                                                    \
    XX(CONSTRAINT_INDEX, -17, "constraint index out of range")                                                         \
    XX(STATE, -18, "the call does not fit the population's state")                                                     \
    XX(STALE_LOG_HANDLE, -19, "the log writer handle was closed")

typedef enum {
    QX_OK = 0,
#define QX_ERRNO_ENUM_(name, code, text) QX_E_##name = (code),
    QX_ERRNO_MAP(QX_ERRNO_ENUM_)
#undef QX_ERRNO_ENUM_
} QxErrno;

/* Text of an error code into `text` (UTF-8, capacity in bytes). Unknown codes
 * get a sensible text of their own ("unknown error -123"). */
QX_API int32_t QxGetErrorTextWVB(int16_t code, char* text, int32_t textCapacity);

/* Details of the most recent failure with this code in this process: the
 * exception's name ("LogNotFound"), the engine function that failed and a
 * message naming what was wrong (a path, an index). Returns non-zero when it
 * filled the buffers (code is a known error code), 0 otherwise. */
QX_API int32_t QxGetExceptionInfoWVB(int32_t code, char* exceptionName, int32_t exceptionNameCapacity, char* methodName,
                                     int32_t methodNameCapacity, char* message, int32_t messageCapacity);

/* Library version as "8.major.minor"; never fails. */
QX_API const char* QxVersionString(void);

/* ------------------------------------------------------------------------
 * Initialization. QxSetProgramMode(0) then QxInit3(QX_INTERFACE_VERSION,
 * flags, 0, ""). Flag QX_INIT_LOG (8) makes the engine write its own
 * "QxLib.log" into the log directory ($SELVANE_LOG_DIR, else
 * $XDG_STATE_HOME/selvane, else ~/.local/state/selvane). QxInit3 returns
 * QX_E_VERSION when the first argument names another interface version.
 * QxFree releases every mapping and open log of this process; it never
 * destroys a population another process created.
 * ------------------------------------------------------------------------ */
#define QX_INIT_LOG 8
QX_API int32_t QxSetProgramMode(int32_t mode);
QX_API int32_t QxInit3(int32_t interfaceVersion, int32_t flags, int32_t reserved, const char* options);
QX_API int32_t QxFree(void);

/* ------------------------------------------------------------------------
 * Population: shared memory named from its handle, readable and writable by
 * the creating user only. Any process of that user can use the handle.
 * ------------------------------------------------------------------------ */

/* Run status, a 16-bit value of the population. */
#define QxRunStatusNotStarted QX_INT16_(0)
#define QxRunStatusOptimizing QX_INT16_(2)
#define QxRunStatusMarkToStop QX_INT16_(3)
#define QxRunStatusMarkToPause QX_INT16_(4)
#define QxRunStatusPaused QX_INT16_(5)
#define QxRunStatusStopped QX_INT16_(6)
#define QxRunStatusMarkToMoveToNextOptimization QX_INT16_(7)

/* Solving methods of a chromosome (an adjustable-cell group). */
#define QX_METHOD_RECIPE QX_INT16_(1) /* independent values, each in its range */
#define QX_METHOD_ORDER QX_INT16_(2)  /* a permutation of the group's values */
#define QX_METHOD_BUDGET QX_INT16_(5) /* values in ranges whose sum keeps its total */

/* Mutation modes. */
#define QX_MUTATION_FIXED QX_INT16_(0)
#define QX_MUTATION_AUTO QX_INT16_(1) /* rate rises while progress stalls */

/* Goal of the optimization. */
#define QX_GOAL_MAXIMIZE 0
#define QX_GOAL_MINIMIZE 1
#define QX_GOAL_TARGET 2

/* Organism result flags (QxOrgGetResult / QxOrgSetResult). */
#define QX_ORG_NOT_EVALUATED 0x1
#define QX_ORG_INVALID 0x2

/* Add-in side: create a population of `organismCount` organisms (2..100000)
 * with `chromosomeCount` chromosomes; chromosome c has geneCounts[c-1] genes
 * and solving method methods[c-1]. Every organism starts "not evaluated"
 * with genes 0; the caller then sets ranges and the original values. */
QX_API int32_t QxPopCreate(int32_t organismCount, int32_t chromosomeCount, const int32_t* geneCounts,
                           const int16_t* methods, int32_t* pop);
/* Destroys the population (unmaps it everywhere it is next used). */
QX_API int32_t QxPopFree(int32_t pop);
/* Removes the user's populations whose creating process has ended (an
 * add-in killed before it freed them); `removed` (may be NULL) gets how many.
 * QxPopCreate does this first, so a new run clears what a crashed one left. */
QX_API int32_t QxPopRemoveOrphans(int32_t* removed);

/* Recursive, robust, process-shared lock. A holder that died is recovered by
 * the next locker (and noted in the engine log). Waits at most 5 s, then
 * returns QX_E_LOCK_TIMEOUT without the lock. The environment variable
 * SELVANE_QX_LOCK_TIMEOUT_MS (a positive number of milliseconds) replaces the
 * 5 s; tests use it. */
QX_API int32_t QxPopLock(int32_t pop);
/* QxPopLock that waits at most `timeoutMs` milliseconds (0..5000; 0 does not
 * wait at all) for a lock held by another process or thread, then returns
 * QX_E_LOCK_TIMEOUT without the lock. For callers that must stay responsive
 * (a window's timer) and can skip their work while the lock is busy. */
QX_API int32_t QxPopTryLock(int32_t pop, int32_t timeoutMs);
QX_API int32_t QxPopUnlock(int32_t pop);

QX_API int16_t QxPopGetRunStatus(int32_t pop); /* status, or a negative error */
QX_API int32_t QxPopSetRunStatus(int32_t pop, int16_t status);

/* Run timer: elapsed milliseconds of the run without pauses. */
QX_API int32_t QxPopGetTimerValue(int32_t pop); /* ms, or a negative error */
QX_API int32_t QxPopTimerStart(int32_t pop);    /* from 0 */
QX_API int32_t QxPopTimerPause(int32_t pop);
QX_API int32_t QxPopTimerResume(int32_t pop);

QX_API int32_t QxPopGetOrganismCount(int32_t pop);   /* count, or a negative error */
QX_API int32_t QxPopGetChromosomeCount(int32_t pop); /* count, or a negative error */
QX_API int32_t QxPopGetTrialCount(int32_t pop);      /* results taken so far */
/* Number of times the best organism improved (progress steps). */
QX_API int32_t QxPopGetProgressStepCount(int32_t pop);

QX_API int32_t QxPopSetGoal(int32_t pop, int32_t goal, double target);
/* Seeds the population's random generator; the run is deterministic for a
 * seed and a sequence of results. */
QX_API int32_t QxPopSetSeed(int32_t pop, uint64_t seed);
/* Fills organisms 2..N with random members of the search space around the
 * original values that organism 1 holds. Call once, after the ranges and
 * organism 1's genes are set. */
QX_API int32_t QxPopRandomize(int32_t pop);

/* The steady-state algorithm. QxPopNextOrganism names the organism whose
 * genes the caller must evaluate next: first every not-evaluated organism in
 * index order (organism 1, the original solution, is trial 1), then the
 * candidate, organism N+1, bred from the population with the current
 * crossover and mutation rates (read afresh each time, so a rate changed by
 * another process takes effect on the next trial). QxOrgSetResult takes the
 * evaluation: `value` the objective, `penalty` >= 0 for violated soft
 * constraints, flags QX_ORG_INVALID for a violated hard constraint. A better
 * candidate replaces the worst organism. The population stays ordered from
 * worst (organism 1) to best (organism N) once every organism is evaluated. */
QX_API int32_t QxPopNextOrganism(int32_t pop, int32_t* organism);
QX_API int32_t QxOrgSetResult(int32_t pop, int32_t organism, double value, double penalty, int32_t flags);

/* tempValue: the value with penalties the algorithm ranks by;
 * objectiveValue: the objective without penalties; reserved must be 0;
 * flags: QX_ORG_* bits. Organisms 1..N+1. Returns 0 or a negative error. */
QX_API int16_t QxOrgGetResult(int32_t pop, int32_t organism, double* tempValue, double* objectiveValue,
                              int32_t reserved, int32_t* flags);
/* All genes of the organism in gene-row order (chromosome 1's genes first). */
QX_API int16_t QxOrgGetGenes(int32_t pop, int32_t organism, double* genes, int32_t geneCapacity);
QX_API int16_t QxOrgSetGenes(int32_t pop, int32_t organism, const double* genes, int32_t geneCount);

/* Chromosomes: getters return the rate (or -1.0 for an error). */
QX_API int32_t QxChrGetMutationMode(int32_t pop, int32_t chr, int16_t* mode, double* rate);
QX_API double QxChrGetCurrentMutationRate(int32_t pop, int32_t chr);
QX_API double QxChrGetCrossoverRate(int32_t pop, int32_t chr);
QX_API int32_t QxChrSetMutationMode(int32_t pop, int32_t chr, int16_t mode, double rate);
QX_API int32_t QxChrSetCrossoverRate(int32_t pop, int32_t chr, double rate);
QX_API int32_t QxChrGetGeneCount(int32_t pop, int32_t chr);     /* count, or a negative error */
QX_API int32_t QxChrGetSolvingMethod(int32_t pop, int32_t chr); /* method, or a negative error */

/* Genes. A range's step > 0 quantizes values (integers: step 1); 0 = continuous. */
QX_API int32_t QxGeneGetValue(int32_t pop, int32_t chr, int32_t organism, int32_t gene, double* value);
QX_API int32_t QxGeneSetValue(int32_t pop, int32_t chr, int32_t organism, int32_t gene, double value);
QX_API int32_t QxGeneGetRange(int32_t pop, int32_t chr, int32_t gene, double* min, double* max, double* step);
QX_API int32_t QxGeneSetRange(int32_t pop, int32_t chr, int32_t gene, double min, double max, double step);

/* ------------------------------------------------------------------------
 * Optimization log: an SQLite database (WAL) written by the add-in, read by
 * the Watcher. Tables: 0 = every trial, in trial order; k >= 1 = the progress
 * steps recorded under selector k (1 for a single optimization, the 1-based
 * index of the constraining value in an efficient-frontier analysis).
 * A record becomes visible to readers, whole, when its append returns.
 * ------------------------------------------------------------------------ */

/* The record's further values. */
typedef struct QxLogRecordExtra {
    int32_t validTrialCount;      /* trials without a violated hard constraint, up to this record */
    double constrainingCellValue; /* the efficient-frontier constraining cell's value */
    int32_t markerFlag;           /* 1 when the trial met the constraining value's limit, else 0 */
} QxLogRecordExtra;

/* A record as the add-in writes it. Arrays hold numConstraints and numGenes
 * values as the log was created with; spareArray holds spareCount values
 * (the per-constraint penalties; may be NULL with spareCount 0).
 * constraintValues: per constraint, the amount by which it is violated
 * (0 = met). constraintCellValues: the value of each constraint's cell. */
typedef struct QxLogRecord {
    int32_t elapsedMs;         /* run time without pauses */
    double spareValue;         /* the objective value without penalties */
    double valueWithPenalties; /* what the algorithm ranked by */
    int32_t recalcNum;         /* the trial number */
    const double* constraintValues;
    const double* constraintCellValues;
    const double* spareArray;
    int32_t spareCount;
    const double* geneValues;
    QxLogRecordExtra extra;
} QxLogRecord;

/* Writer. Create replaces any log at the path. Constraint i (1-based) is
 * described by names[i-1], hardNotSoft[i-1] (its kind code: 0 = hard, any other
 * value = soft) and isAtomic[i-1].
 * The new log is readable by the user only. A handle is valid until its
 * QxLogClose (or QxFree); afterwards every call with it returns
 * QX_E_STALE_LOG_HANDLE, even once another log has been created. A closed
 * log leaves WAL mode when no reader has it open, so it can be read from a
 * folder the reader cannot write to. */
QX_API int32_t QxLogCreateWVB(const char* path, int32_t numChromosomes, int32_t numGenes, int32_t numConstraints,
                              const char* const* constraintNames, const int16_t* hardNotSoft, const int16_t* isAtomic,
                              int32_t* log);
QX_API int32_t QxLogAppendTrialWVB(int32_t log, const QxLogRecord* record);
QX_API int32_t QxLogAppendProgressStepWVB(int32_t log, int32_t selector, const QxLogRecord* record);
QX_API int32_t QxLogClose(int32_t log);

/* Readers. The library keeps one read connection per path (reopened when
 * the file at the path is replaced). Counts are O(1); a record is one
 * indexed lookup. progressStepCount of QxLogGetRecordCountsWVB is that of
 * selector 1. */
QX_API int32_t QxLogGetRecordCountsWVB(const char* path, int32_t* trialCount, int32_t* progressStepCount);
QX_API int32_t QxLogGetRecordCounts2WVB(const char* path, int32_t* trialCount, int32_t constrainingValueIndex,
                                        int32_t* progressStepCount);
QX_API int32_t QxLogGetCountsWVB(const char* path, int32_t* numChromosomes, int32_t* numGenes, int32_t* numConstraints);
QX_API int32_t QxLogGetConstraintInfoWVB(const char* path, int32_t constraintIndex, char* name, int32_t nameCapacity,
                                         int16_t* hardNotSoft, int16_t* isAtomic);
/* Nine outputs: elapsedMs, spareValue, valueWithPenalties, recalcNum,
 * constraintValues, constraintCellValues, spareArray, geneValues, extra.
 * Arrays come with their capacities (elements). */
QX_API int32_t QxLogReadRecordWVB(const char* path, int32_t recordNumber, int32_t tableId, int32_t* elapsedMs,
                                  double* spareValue, double* valueWithPenalties, int32_t* recalcNum,
                                  double* constraintValues, int32_t constraintValuesCapacity,
                                  double* constraintCellValues, int32_t constraintCellValuesCapacity,
                                  double* spareArray, int32_t spareArrayCapacity, double* geneValues,
                                  int32_t geneValuesCapacity, QxLogRecordExtra* extra);

/* ------------------------------------------------------------------------
 * Temp-data channels: 32 slots (0..31) of 8 bytes in one shared block per
 * user; each read and write is atomic and a slot holds the last value
 * written. numBytes is 1..8; a read copies numBytes bytes of the slot.
 * ------------------------------------------------------------------------ */
#define QX_TEMPDATA_CHANNELS 32
QX_API int32_t QxReadTempData(int16_t channel, void* buffer, int16_t numBytes);
QX_API int16_t QxWriteTempData(int16_t channel, const void* buffer, int16_t numBytes);
/* Sets every channel to 0 (the add-in does this when a run starts). */
QX_API int32_t QxClearTempData(void);

#ifdef __cplusplus
}
#endif

#endif /* QXLIB8_H */
