// The add-in program's parts that need no bus: its command line, the inputs
// it gives a Watcher (checked against the manager's interface file, the
// contract), its host objects and its waiting in the event loop.
#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QSignalSpy>
#include <QTimer>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include "AddinOptions.h"
#include "AddinSession.h"
#include "EventWait.h"
#include "HostApplicationObject.h"
#include "HostExcelObject.h"
#include "WatcherInputs.h"

namespace {

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "addin_app_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication a(argc, argv);
    return a;
}

std::optional<addin::AddinOptions> parse(std::initializer_list<const char*> args, QString* error = nullptr) {
    QStringList list;
    for (const char* a : args)
        list << QString::fromUtf8(a);
    QString e;
    auto o = addin::parseAddinOptions(list, e);
    if (error)
        *error = e;
    return o;
}

TEST(AddinOptions, DefaultsAndEveryOption) {
    auto d = parse({});
    ASSERT_TRUE(d);
    EXPECT_EQ(d->model, u"portfolio");
    EXPECT_EQ(d->maxTrials, 20000);
    EXPECT_TRUE(d->watcher);
    EXPECT_FALSE(d->unattended);
    EXPECT_FALSE(d->constraintSolver.has_value());
    EXPECT_EQ(d->excelUpdating, addin::ExcelUpdating::NewBestOnly);

    auto o = parse({"--model",
                    "feasibility",
                    "--trials",
                    "0",
                    "--seconds",
                    "30",
                    "--population",
                    "2",
                    "--seed",
                    "9",
                    "--recalc-us",
                    "0",
                    "--no-constraint-solver",
                    "--conflicting-rule",
                    "--unattended",
                    "--no-watcher",
                    "--multi-core",
                    "4",
                    "--excel-updating",
                    "every",
                    "--log",
                    "/tmp/x.qxlog",
                    "--status-file",
                    "/tmp/s"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->model, u"feasibility");
    EXPECT_EQ(o->maxTrials, 0);
    EXPECT_EQ(o->maxSeconds, 30);
    EXPECT_EQ(o->populationSize, 2);
    EXPECT_EQ(o->seed, 9u);
    EXPECT_EQ(o->recalcMicroseconds, 0);
    EXPECT_EQ(o->constraintSolver, std::optional<bool>(false));
    EXPECT_TRUE(o->conflictingRule);
    EXPECT_TRUE(o->unattended);
    EXPECT_FALSE(o->watcher);
    EXPECT_EQ(o->multiCoreWorkers, 4);
    EXPECT_EQ(o->excelUpdating, addin::ExcelUpdating::EveryRecalculation);
    EXPECT_EQ(o->logPath, u"/tmp/x.qxlog");
    EXPECT_EQ(o->statusFile, u"/tmp/s");
    EXPECT_TRUE(parse({"--model", "portfolio", "--efficient-frontier"})->efficientFrontier);
    EXPECT_TRUE(parse({"--help"})->help);
}

TEST(AddinOptions, RefusesWhatCannotRunAndSaysWhy) {
    const struct {
        std::initializer_list<const char*> args;
        const char* mentions;
    } cases[] = {
        {{"--frobnicate"}, "--frobnicate"},
        {{"--trials"}, "needs a value"},
        {{"--trials", "-5"}, "--trials"},
        {{"--trials", "many"}, "many"},
        {{"--population", "1"}, "--population"},
        {{"--population", "100001"}, "--population"},
        {{"--multi-core", "0"}, "--multi-core"},
        {{"--model", "spreadsheet"}, "spreadsheet"},
        {{"--excel-updating", "sometimes"}, "sometimes"},
        {{"--model", "route", "--efficient-frontier"}, "portfolio"},
        {{"--model", "portfolio", "--constraint-solver"}, "feasibility"},
        {{"--conflicting-rule"}, "feasibility"},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(parse(c.args, &error)) << c.mentions;
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.mentions))) << error.toStdString();
    }
}

// The manager's properties as its interface file declares them: name ->
// D-Bus type, writable ones only.
QMap<QString, QString> writableManagerProperties() {
    QFile f(QStringLiteral(SELVANE_MANAGER_XML));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << SELVANE_MANAGER_XML;
    QMap<QString, QString> props;
    QXmlStreamReader xml(&f);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"property" &&
            xml.attributes().value(QLatin1String("access")) == u"readwrite")
            props.insert(xml.attributes().value(QLatin1String("name")).toString(),
                         xml.attributes().value(QLatin1String("type")).toString());
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return props;
}

QString dbusTypeOf(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Bool:
        return QStringLiteral("b");
    case QMetaType::Int:
        return QStringLiteral("i");
    case QMetaType::Double:
        return QStringLiteral("d");
    case QMetaType::QString:
        return QStringLiteral("s");
    case QMetaType::QVariantList:
        return QStringLiteral("av");
    default:
        break;
    }
    return QStringLiteral("?%1").arg(QString::fromLatin1(v.typeName()));
}

addin::RunSetup setup() {
    addin::RunSetup s;
    s.population = 77;
    s.logPath = QStringLiteral("/tmp/run.qxlog");
    s.progressGraphPath = QStringLiteral("/tmp/run-progress.png");
    s.hostProcessId = 4242;
    return s;
}

TEST(WatcherInputs, EveryInputIsAWritablePropertyOfTheManagerWithItsType) {
    const auto props = writableManagerProperties();
    ASSERT_GT(props.size(), 60);
    for (const char* model : {"portfolio", "route", "feasibility"}) {
        auto m = models::makeModel(model, 1);
        addin::AddinOptions o;
        o.model = QString::fromUtf8(model);
        o.efficientFrontier = o.model == u"portfolio";
        QStringList seen;
        for (const auto& in : addin::watcherInputs(*m, o, setup())) {
            ASSERT_TRUE(props.contains(in.name)) << in.name.toStdString() << " is no writable property";
            EXPECT_EQ(dbusTypeOf(in.value), props.value(in.name)) << in.name.toStdString();
            EXPECT_FALSE(seen.contains(in.name)) << in.name.toStdString() << " set twice";
            seen << in.name;
        }
        // Every writable input the add-in owns is set; the object references
        // are the D-Bus side's, the run-control flags the Watcher's own.
        const QStringList notOurs = {
            QStringLiteral("Input_ExcelApplication"),        QStringLiteral("Input_Application"),
            QStringLiteral("Input_KitsetCallbacksObject"),   QStringLiteral("Input_NETApplication"),
            QStringLiteral("GotInitializedAfterFirstTrial"), QStringLiteral("WaitingAfterPauseClicked"),
            QStringLiteral("WaitingAfterStopClicked"),       QStringLiteral("WaitingAfterEFNextOptimizationClicked"),
            QStringLiteral("IDForQxLogReadRecordVB")};
        for (auto it = props.begin(); it != props.end(); ++it) {
            if (!notOurs.contains(it.key())) {
                EXPECT_TRUE(seen.contains(it.key())) << model << ": " << it.key().toStdString() << " is not set";
            }
        }
    }
}

TEST(WatcherInputs, DescribeTheModelAndTheFrontier) {
    auto m = models::makeModel("portfolio", 1);
    addin::AddinOptions o;
    o.efficientFrontier = true;
    o.unattended = true;
    QMap<QString, QVariant> v;
    for (const auto& in : addin::watcherInputs(*m, o, setup()))
        v.insert(in.name, in.value);
    EXPECT_EQ(v[QStringLiteral("Input_PopHandle")].toInt(), 77);
    EXPECT_EQ(v[QStringLiteral("Input_AllGeneNamesCol")].toList().size(), m->geneCount());
    EXPECT_EQ(v[QStringLiteral("Input_AllGeneNamesCol")].toList().first().toString(), u"Weight_A");
    EXPECT_EQ(v[QStringLiteral("Input_GroupSolvingMethods")].toList(), QVariantList{5});
    EXPECT_EQ(v[QStringLiteral("Input_AdjustableCellsFormatAsDateCol")].toList().size(), m->geneCount());
    EXPECT_EQ(v[QStringLiteral("Input_AtomicConstraintsFormatAsDateCol")].toList(), QVariantList{false});
    EXPECT_EQ(v[QStringLiteral("Input_TargetCellNumberFormat")].toString(), u"0.00%");
    EXPECT_EQ(v[QStringLiteral("Input_RuntimeGoalType")].toInt(), addin::kGoalMaximum);
    EXPECT_EQ(v[QStringLiteral("Input_OptimizationObjectiveStr")].toString(), u"Maximum of Expected_Return");
    EXPECT_EQ(v[QStringLiteral("Input_EFNumConstrainingValues")].toInt(), 5);
    EXPECT_EQ(v[QStringLiteral("Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final")].toList().first(),
              QVariant(0.08));
    const QVariantList texts =
        v[QStringLiteral("Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final_Formatted")].toList();
    ASSERT_EQ(texts.size(), 5);
    EXPECT_EQ(texts.first().toString(), u"8.0%");
    EXPECT_EQ(texts.last().toString(), u"16.0%");
    EXPECT_EQ(v[QStringLiteral("Input_EFConstraintOperatorAsString")].toString(), u"<=");
    // The Watcher counts trials over the whole series: the limit is the
    // series' (five optimizations of the default 20000 trials).
    EXPECT_EQ(v[QStringLiteral("Input_Runtime_TrialCount")].toDouble(), 100000.0);
    // Unattended: nobody is asked and the stopping options are not shown.
    EXPECT_FALSE(v[QStringLiteral("Input_DisplayAlerts")].toBool());
    EXPECT_FALSE(v[QStringLiteral("Stop_AtEndShowOptionsToUser")].toBool());

    auto f = models::makeModel("feasibility", 1);
    addin::AddinOptions fo;
    fo.model = QStringLiteral("feasibility");
    QMap<QString, QVariant> fv;
    for (const auto& in : addin::watcherInputs(*f, fo, setup()))
        fv.insert(in.name, in.value);
    EXPECT_TRUE(fv[QStringLiteral("Input_ConstraintSolverMode")].toBool());
    EXPECT_EQ(fv[QStringLiteral("Input_ConstraintSolver_HardConstraintDescriptions")].toList().size(), 6);
    EXPECT_EQ(fv[QStringLiteral("Input_ConstraintSolver_HardConstraintFormulas")].toList().first().toString(),
              u"=Shifts!B2+Shifts!B3>=25");
    EXPECT_EQ(fv[QStringLiteral("Input_AtomicConstraintsFormatAsDateCol")].toList().size(), 0);
    EXPECT_EQ(fv[QStringLiteral("Input_EFNumConstrainingValues")].toInt(), 0);
    EXPECT_TRUE(fv[QStringLiteral("Stop_AtEndShowOptionsToUser")].toBool());
}

TEST(HostObjects, ExcelKeepsWhatTheWatcherSetsAndAnswersItsCalls) {
    addin::HostExcelObject excel;
    QSignalSpy events(&excel, &addin::HostExcelObject::hostEvent);
    EXPECT_EQ(excel.property("StatusBar").toString(), addin::HostExcelObject::defaultStatusBar());
    excel.setProperty("StatusBar", QStringLiteral("Selvane is optimizing"));
    EXPECT_EQ(excel.statusBar(), u"Selvane is optimizing");
    excel.setProperty("StatusBar", QString()); // given back to the host
    EXPECT_EQ(excel.statusBar(), addin::HostExcelObject::defaultStatusBar());

    excel.setProperty("DisplayAlerts", false);
    EXPECT_FALSE(excel.property("DisplayAlerts").toBool());
    excel.setProperty("WindowEnabled", false);
    excel.setProperty("Interactive", false);
    excel.setProperty("WindowEnabled", false); // no change, no second count
    EXPECT_EQ(excel.windowDisabledCount(), 2);
    excel.setProperty("WindowEnabled", true);
    excel.setProperty("Interactive", true);
    EXPECT_TRUE(excel.windowEnabled());
    EXPECT_EQ(events.count(), 4);

    ASSERT_TRUE(QMetaObject::invokeMethod(&excel, "Run", Q_ARG(QString, QStringLiteral("Selvane.xla!OptDoEvents"))));
    ASSERT_TRUE(QMetaObject::invokeMethod(&excel, "Run", Q_ARG(QString, QStringLiteral("Book1!Other"))));
    ASSERT_TRUE(QMetaObject::invokeMethod(&excel, "BringToFront"));
    EXPECT_EQ(excel.doEventsRuns(), 1);
    EXPECT_EQ(excel.unknownMacroRuns(), 1);
    EXPECT_EQ(excel.bringToFrontCalls(), 1);
    EXPECT_TRUE(events.last().first().toString().contains(u"Book1!Other"));
}

TEST(HostObjects, ApplicationGivesTheGraphSizeAndKeepsTheStoppingChoices) {
    addin::HostApplicationObject application;
    QSignalSpy received(&application, &addin::HostApplicationObject::stoppingOptionsReceived);
    int height = 0;
    EXPECT_EQ(application.ReportGraphSize(2, height), addin::HostApplicationObject::reportGraphSize().width());
    EXPECT_EQ(height, addin::HostApplicationObject::reportGraphSize().height());
    EXPECT_FALSE(application.receivedChoices());
    ASSERT_TRUE(QMetaObject::invokeMethod(&application, "ReceiveStoppingOptions", Q_ARG(bool, false), Q_ARG(bool, true),
                                          Q_ARG(bool, false), Q_ARG(int, -2)));
    ASSERT_TRUE(application.receivedChoices());
    EXPECT_FALSE(application.receivedChoices()->generateOptimizationSummary);
    EXPECT_TRUE(application.receivedChoices()->writeLogOfAllTrials);
    EXPECT_FALSE(application.receivedChoices()->writeLogOfProgressSteps);
    EXPECT_EQ(application.receivedChoices()->solutionToKeep, -2);
    EXPECT_EQ(received.count(), 1);
}

TEST(EventWait, ServesEventsWhileWaitingAndGivesUpAtTheBound) {
    app();
    bool done = false;
    QTimer::singleShot(30, [&done] { done = true; }); // only an event loop can fire it
    EXPECT_TRUE(addin::serveEventsUntil([&done] { return done; }, 60000));
    EXPECT_FALSE(addin::serveEventsUntil([] { return false; }, 50));
}

} // namespace

TEST(AddinSession, TheProgressGraphLandsBesideTheLogWhateverItsName) {
    using addin::AddinSession;
    EXPECT_EQ(AddinSession::progressGraphPathFor(QStringLiteral("/runs/run.qxlog")),
              QStringLiteral("/runs/run-progress.png"));
    EXPECT_EQ(AddinSession::progressGraphPathFor(QStringLiteral("/runs/a.b.qxlog")),
              QStringLiteral("/runs/a.b-progress.png"));
    // No extension: the dots of a folder name are not the log's extension,
    // and a plain name keeps the graph in its folder.
    EXPECT_EQ(AddinSession::progressGraphPathFor(QStringLiteral("/data/my.project/runlog")),
              QStringLiteral("/data/my.project/runlog-progress.png"));
    EXPECT_EQ(AddinSession::progressGraphPathFor(QStringLiteral("/data/plain/runlog")),
              QStringLiteral("/data/plain/runlog-progress.png"));
    EXPECT_EQ(AddinSession::progressGraphPathFor(QStringLiteral("/data/plain/.qxlog")),
              QStringLiteral("/data/plain/.qxlog-progress.png"));
}
