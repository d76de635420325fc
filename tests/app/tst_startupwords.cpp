#include "app/StartupWords.h"

#include <QtTest>

namespace {

// The options as a short text, so that a table row states every field it expects.
QString Describe(const StartupOptions &o)
{
    QStringList parts;
    if (o.autoMode)
        parts << "auto";
    if (o.afterRunExit)
        parts << "exit";
    if (o.afterRunShutdown)
        parts << "shutdown";
    if (o.startHidden)
        parts << "hidden";
    if (o.forceIni)
        parts << "forceIni";
    if (o.logoffMode)
        parts << "logoff";
    if (o.iniName)
        parts << "ini:" + *o.iniName;
    if (o.project)
        parts << "project:" + QString::number(*o.project);
    return parts.join(u' ');
}

} // namespace

class TestStartupWords : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
};

void TestStartupWords::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");

    QTest::newRow("nothing") << QStringList{} << "";
    QTest::newRow("/auto") << QStringList{"/auto"} << "auto exit";
    QTest::newRow("upper case") << QStringList{"/AUTO"} << "auto exit";
    QTest::newRow("a longer argument begins with the word") << QStringList{"-autorun"} << "auto exit";
    QTest::newRow("/shutdown") << QStringList{"/shutdown"} << "auto shutdown";
    QTest::newRow("/start stays open") << QStringList{"/start"} << "auto";
    QTest::newRow("/startup is start") << QStringList{"/startup"} << "auto";
    QTest::newRow("/icon") << QStringList{"/icon"} << "hidden";
    QTest::newRow("/start /icon") << QStringList{"/start", "/icon"} << "auto hidden";
    QTest::newRow("-INI=test") << QStringList{"-INI=test"} << "forceIni ini:test";
    QTest::newRow("the value keeps its case and any '='") << QStringList{"/ini=My=Set"} << "forceIni ini:My=Set";
    QTest::newRow("ini= without a name keeps the usual file") << QStringList{"/ini="} << "forceIni";
    QTest::newRow("/inifile=x is no word") << QStringList{"/inifile=x"} << "";
    QTest::newRow("/ini without '=' is no word") << QStringList{"/ini"} << "";
    QTest::newRow("/logoff alone: mirror.ini") << QStringList{"/logoff"} << "forceIni logoff ini:mirror";
    QTest::newRow("/logoff /ini=x") << QStringList{"/logoff", "/ini=x"} << "forceIni logoff ini:x";
    QTest::newRow("/ini=x /logoff") << QStringList{"/ini=x", "/logoff"} << "forceIni logoff ini:x";
    QTest::newRow("/logoff /ini=") << QStringList{"/logoff", "/ini="} << "forceIni logoff ini:mirror";
    QTest::newRow("the last ini= wins") << QStringList{"/ini=a", "-ini=b"} << "forceIni ini:b";
    QTest::newRow("/shutdown /project=3") << QStringList{"/shutdown", "/project=3"} << "auto shutdown project:2";
    QTest::newRow("/PROJECT=1") << QStringList{"/PROJECT=1"} << "project:0";
    QTest::newRow("without a leading mark: a name, passed over") << QStringList{"auto", "icon", "ini=x"} << "";
    QTest::newRow("a lone mark") << QStringList{"/", "-"} << "";
    QTest::newRow("two marks are not skipped") << QStringList{"//auto", "--auto"} << "";
    QTest::newRow("unknown words are passed over") << QStringList{"/verbose", "/autx", "/ico"} << "";
    QTest::newRow("only ASCII letters fold") << QStringList{u"/ＡＵＴＯ"_qs, u"/auto\u0130"_qs} << "auto exit";
    QTest::newRow("dotted capital I is not i") << QStringList{u"/\u0130con"_qs} << "";
    QTest::newRow("/project=1000: the thousandth") << QStringList{"/project=1000"} << "project:999";
    QTest::newRow("/project=0: the first") << QStringList{"/project=0"} << "project:0";
    QTest::newRow("/project=1001: the first") << QStringList{"/project=1001"} << "project:0";
    QTest::newRow("/project= without digits: the first") << QStringList{"/project=abc"} << "project:0";
    QTest::newRow("reading stops at a non-digit") << QStringList{"/project=12abc"} << "project:11";
    QTest::newRow("a sign is no digit") << QStringList{"/project=-5"} << "project:0";
    QTest::newRow("leading zeros") << QStringList{"/project=0007"} << "project:6";
    QTest::newRow("beyond 32 bits does not wrap into range") << QStringList{"/project=4294967297"} << "project:0";
    QTest::newRow("full-width digits are no digits") << QStringList{u"/project=５"_qs} << "project:0";
    QTest::newRow("everything at once")
        << QStringList{"/auto", "/icon", "/logoff", "/project=1000"} << "auto exit hidden forceIni logoff ini:mirror project:999";
}

void TestStartupWords::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    QCOMPARE(Describe(CStartupWords::Parse(arguments)), expected);
}

QTEST_APPLESS_MAIN(TestStartupWords)
#include "tst_startupwords.moc"
