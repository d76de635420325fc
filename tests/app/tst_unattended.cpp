#include "ProgramWorkspace.h"
#include "PrivateBus.h"

#include <QDateTime>
#include <QtTest>

namespace {

// systemd-logind as a test's own program on the workspace's bus, answering as it is told.
class FakeLogind {
public:
    FakeLogind(ProgramWorkspace &w, const QString &canPowerOff, const QString &powerOff)
        : m_record(w.Path("logind-calls.txt"))
    {
        m_process.setProcessEnvironment(w.Environment());
        m_process.start(QStringLiteral(FAKE_LOGIND_PATH), {canPowerOff, powerOff, m_record});
        m_ready = m_process.waitForStarted(10000) && m_process.waitForReadyRead(10000)
                  && m_process.readLine().trimmed() == "ready";
    }
    ~FakeLogind()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
    bool IsReady() const { return m_ready; }
    QString Error() { return QString::fromLocal8Bit(m_process.readAllStandardError()); }
    QStringList Calls() const
    {
        QFile file(m_record);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QString m_record;
    QProcess m_process;
    bool m_ready = false;
};

const QStringList Nothing;
const QStringList Asked{"CanPowerOff"};
const QStringList PoweredOff{"CanPowerOff", "PowerOff false"};

} // namespace

class TestUnattended : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void edgeCases_data();
    void edgeCases();
};

void TestUnattended::edgeCases_data()
{
    // settings: "due" one setting that runs; "not due" one held back by its schedule;
    // "then fails" a setting that runs and one whose master folder does not exist.
    // logind: what CanPowerOff answers, "absent" (a bus without logind) or "no bus";
    // "/error" after it: PowerOff fails; "/denied": polkit refuses PowerOff. The settings are
    // those of the first project, or of the second when the words name it.
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<bool>("autoExitWhenError");
    QTest::addColumn<QString>("logind");
    QTest::addColumn<bool>("ends");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("/auto, nothing due: ends all the same") << QStringList{"-auto"} << "not due" << false << "yes" << true << 0 << Nothing;
    QTest::newRow("/auto, a project without settings: ends all the same") << QStringList{"-auto"} << "none" << false << "yes" << true << 0 << Nothing;
    QTest::newRow("/auto, one due") << QStringList{"-auto"} << "due" << false << "yes" << true << 0 << Nothing;
    QTest::newRow("/auto, a failing setting: stays open with the message")
        << QStringList{"-auto"} << "then fails" << false << "yes" << false << 0 << Nothing;
    QTest::newRow("/auto, a failing setting, AutoExitWhenError: ends with the result")
        << QStringList{"-auto"} << "then fails" << true << "yes" << true << 4 << Nothing;
    QTest::newRow("/auto /icon: runs hidden and ends") << QStringList{"/auto", "/icon"} << "due" << false << "yes" << true << 0 << Nothing;
    QTest::newRow("/auto /project=2: the second project's settings")
        << QStringList{"/auto", "/project=2"} << "due" << false << "yes" << true << 0 << Nothing;
    QTest::newRow("/start: stays open") << QStringList{"-START"} << "due" << false << "yes" << false << 0 << Nothing;
    QTest::newRow("/shutdown, nothing due: ends, stays on") << QStringList{"/shutdown"} << "not due" << false << "yes" << true << 0 << Nothing;
    QTest::newRow("/shutdown, one due: powers off") << QStringList{"/shutdown"} << "due" << false << "yes" << true << 0 << PoweredOff;
    QTest::newRow("/shutdown, polkit would ask: powers off") << QStringList{"/shutdown"} << "due" << false << "challenge" << true << 0 << PoweredOff;
    QTest::newRow("/auto /shutdown, failing, polkit refuses after the challenge: 0")
        << QStringList{"/auto", "/shutdown"} << "then fails" << true << "challenge/denied" << true << 0 << PoweredOff;
    QTest::newRow("/shutdown, not allowed: stays on") << QStringList{"/shutdown"} << "due" << false << "no" << true << 0 << Asked;
    QTest::newRow("/shutdown, no logind on the bus") << QStringList{"/shutdown"} << "due" << false << "absent" << true << 0 << Nothing;
    QTest::newRow("/shutdown, no bus at all") << QStringList{"/shutdown"} << "due" << false << "no bus" << true << 0 << Nothing;
    QTest::newRow("/shutdown, a failing setting: stays open, stays on")
        << QStringList{"/shutdown"} << "then fails" << false << "yes" << false << 0 << Nothing;
    QTest::newRow("/auto /shutdown, failing after one completed: powers off, the run's result")
        << QStringList{"/auto", "/shutdown"} << "then fails" << true << "yes" << true << 4 << PoweredOff;
    QTest::newRow("/auto /shutdown, failing, not allowed: 0")
        << QStringList{"/auto", "/shutdown"} << "then fails" << true << "no" << true << 0 << Asked;
    QTest::newRow("/auto /shutdown, failing, PowerOff fails: the run's result")
        << QStringList{"/auto", "/shutdown"} << "then fails" << true << "yes/error" << true << 4 << PoweredOff;
}

void TestUnattended::edgeCases()
{
    QFETCH(QStringList, words);
    QFETCH(QString, settings);
    QFETCH(bool, autoExitWhenError);
    QFETCH(QString, logind);
    QFETCH(bool, ends);
    QFETCH(int, exitCode);
    QFETCH(QStringList, calls);

    ProgramWorkspace w;
    std::unique_ptr<PrivateBus> bus;
    std::unique_ptr<FakeLogind> fake;
    if (logind != "no bus") {
        bus = std::make_unique<PrivateBus>(w.Path(""));
        if (!bus->IsRunning())
            QSKIP(qPrintable(bus->Error()));
        w.SetBus(bus->Address());
    }
    if (logind != "no bus" && logind != "absent") {
        const QString powerOff = logind.section(u'/', 1, 1);
        fake = std::make_unique<FakeLogind>(w, logind.section(u'/', 0, 0), powerOff.isEmpty() ? QStringLiteral("ok") : powerOff);
        QVERIFY2(fake->IsReady(), qPrintable(fake->Error()));
    }

    std::vector<CFolderSetting> table{w.Setting("S1")};
    const bool runs = settings != "not due" && settings != "none";
    if (settings == "none") {
        table.clear();
    } else if (settings == "not due") {
        table[0].ScheduleType = ScheduleKind::EveryHours;
        table[0].ScheduleTime = 1000;
        table[0].LastExec = QDateTime::currentSecsSinceEpoch();
    } else if (settings == "then fails") {
        table.push_back(w.Setting("S2", false));
    }
    GlobalOptions options;
    options.AutoExitWhenError = autoExitWhenError;
    const int project = words.contains("/project=2") ? 1 : 0;
    w.WriteIni("test", table, options, project);

    QProcess *window = w.Start(ORVANE_PATH, QStringList{"-ini=test"} + words);
    QVERIFY(window);
    if (ends) {
        const ProgramWorkspace::Finished finished = ProgramWorkspace::Wait(*window);
        QVERIFY2(finished.code >= 0, finished.err.constData());
        QCOMPARE(finished.code, exitCode);
    } else {
        // The run reaches its end (the first setting is backed up, the second one fails at
        // once), and the window is still there a while later.
        QTRY_VERIFY_WITH_TIMEOUT(w.BackedUp("S1"), 20000);
        QTest::qWait(2000);
        QCOMPARE(window->state(), QProcess::Running);
    }
    QCOMPARE(w.BackedUp("S1"), runs);
    if (fake)
        QCOMPARE(fake->Calls(), calls);
    else
        QVERIFY(calls.isEmpty());
    // What the run recorded reached the store: a setting that ran has its time.
    if (ends && runs)
        QVERIFY(w.StoredSettings("test", project).front().LastExec > 0);
}

QTEST_GUILESS_MAIN(TestUnattended)
#include "tst_unattended.moc"
