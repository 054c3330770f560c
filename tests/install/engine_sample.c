/* An add-in author's first program against the installed engine library,
 * built with nothing but `pkg-config --cflags --libs qxlib8`: creates a
 * population, writes one trial to a log and reads it back.
 * Usage: engine_sample LOG_PATH. Prints "ok <value>" and exits 0 on success. */
#include <qxlib8.h>

#include <stdio.h>

static int fail(const char* what, int32_t rc) {
    char text[256] = "";
    QxGetErrorTextWVB((int16_t)rc, text, (int32_t)sizeof text);
    fprintf(stderr, "engine_sample: %s failed: %d %s\n", what, (int)rc, text);
    return 1;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: engine_sample LOG_PATH\n");
        return 2;
    }
    int32_t rc = QxSetProgramMode(0);
    if (rc != QX_OK)
        return fail("QxSetProgramMode", rc);
    if ((rc = QxInit3(QX_INTERFACE_VERSION, 0, 0, "")) != QX_OK)
        return fail("QxInit3", rc);

    const int32_t geneCounts[1] = {3};
    const int16_t methods[1] = {QX_METHOD_RECIPE};
    int32_t pop = 0;
    if ((rc = QxPopCreate(10, 1, geneCounts, methods, &pop)) != QX_OK)
        return fail("QxPopCreate", rc);
    for (int32_t gene = 1; gene <= 3; ++gene)
        if ((rc = QxGeneSetRange(pop, 1, gene, 0.0, 10.0, 0.0)) != QX_OK)
            return fail("QxGeneSetRange", rc);

    int32_t log = 0;
    if ((rc = QxLogCreateWVB(argv[1], 1, 3, 0, NULL, NULL, NULL, &log)) != QX_OK)
        return fail("QxLogCreateWVB", rc);
    const double genes[3] = {1.5, 2.5, 3.5};
    QxLogRecord record = {0};
    record.elapsedMs = 7;
    record.spareValue = 42.25;
    record.valueWithPenalties = 42.25;
    record.recalcNum = 1;
    record.geneValues = genes;
    record.extra.validTrialCount = 1;
    if ((rc = QxLogAppendTrialWVB(log, &record)) != QX_OK)
        return fail("QxLogAppendTrialWVB", rc);
    if ((rc = QxLogClose(log)) != QX_OK)
        return fail("QxLogClose", rc);

    int32_t trials = 0, steps = 0;
    if ((rc = QxLogGetRecordCountsWVB(argv[1], &trials, &steps)) != QX_OK)
        return fail("QxLogGetRecordCountsWVB", rc);
    double value = 0.0, readGenes[3] = {0.0, 0.0, 0.0};
    int32_t elapsed = 0, recalc = 0;
    if ((rc = QxLogReadRecordWVB(argv[1], 1, 0, &elapsed, &value, NULL, &recalc, NULL, 0, NULL, 0, NULL, 0, readGenes,
                                 3, NULL)) != QX_OK)
        return fail("QxLogReadRecordWVB", rc);
    if (trials != 1 || elapsed != 7 || recalc != 1 || value != 42.25 || readGenes[2] != 3.5) {
        fprintf(stderr, "engine_sample: read back %d trials, elapsed %d, trial %d, value %g, gene 3 %g\n", (int)trials,
                (int)elapsed, (int)recalc, value, readGenes[2]);
        return 1;
    }
    QxPopFree(pop);
    QxFree();
    printf("ok %g\n", value);
    return 0;
}
