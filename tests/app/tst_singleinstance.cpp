#include "app/SingleInstance.h"

#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <future>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A request from another thread, as a later start would send it: the first copy answers from
// this thread's event loop meanwhile.
std::optional<QString> SendFromAnotherThread(const QString &name, InstanceRequest request, int timeoutMs = 5000)
{
    std::packaged_task<std::optional<QString>()> task([=] {
        CSingleInstance later(name);
        return later.Send(request, timeoutMs);
    });
    std::future<std::optional<QString>> answer = task.get_future();
    std::thread thread(std::move(task));
    while (answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        QTest::qWait(10);
    thread.join();
    return answer.get();
}

// What a copy that crashed leaves behind: a socket file nobody listens on.
bool LeaveDeadSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    if (size_t(bytes.size()) >= sizeof address.sun_path) {
        ::close(fd);
        return false;
    }
    memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()));
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return bound && QFileInfo::exists(path);
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void requestWords_data();
    void requestWords();
    void secondClaimFindsTheFirst();
    void requestsReachTheHandler_data();
    void requestsReachTheHandler();
    void unknownAndOverlongRequests();
    void deadSocketOfACrashedCopy();
    void releaseLetsTheNextCopyBeFirst();
    void noFirstCopyToAsk();
    void noLockFileAtAll();
    void defaultNameIsPerUserInTheRuntimeFolder();
};

void TestSingleInstance::requestWords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("request");   // -1: none
    QTest::newRow("show") << "show" << int(InstanceRequest::Show);
    QTest::newRow("state") << "state" << int(InstanceRequest::State);
    QTest::newRow("case matters") << "SHOW" << -1;
    QTest::newRow("a prefix is not enough") << "sho" << -1;
    QTest::newRow("nor more") << "shows" << -1;
    QTest::newRow("empty") << "" << -1;
}

void TestSingleInstance::requestWords()
{
    QFETCH(QString, text);
    QFETCH(int, request);
    const std::optional<InstanceRequest> parsed = CSingleInstance::ParseRequest(text);
    QCOMPARE(parsed ? int(*parsed) : -1, request);
    if (parsed)
        QCOMPARE(CSingleInstance::RequestText(*parsed), text);
}

void TestSingleInstance::secondClaimFindsTheFirst()
{
    QTemporaryDir dir;
    const QString name = dir.filePath("instance");
    CSingleInstance first(name);
    QCOMPARE(first.TryClaim(), CSingleInstance::Claim::First);
    CSingleInstance second(name);
    QCOMPARE(second.TryClaim(), CSingleInstance::Claim::Second);
    // The second claim took nothing away from the first.
    first.SetHandler([](InstanceRequest) { return QStringLiteral("here"); });
    QCOMPARE(SendFromAnotherThread(name, InstanceRequest::State), std::optional<QString>("here"));
}

void TestSingleInstance::requestsReachTheHandler_data()
{
    QTest::addColumn<int>("request");
    QTest::newRow("show") << int(InstanceRequest::Show);
    QTest::newRow("state") << int(InstanceRequest::State);
}

void TestSingleInstance::requestsReachTheHandler()
{
    QFETCH(int, request);
    QTemporaryDir dir;
    const QString name = dir.filePath("instance");
    CSingleInstance first(name);
    QCOMPARE(first.TryClaim(), CSingleInstance::Claim::First);
    QList<InstanceRequest> seen;
    first.SetHandler([&](InstanceRequest r) {
        seen << r;
        return CSingleInstance::RequestText(r) + QStringLiteral(" done");
    });
    const std::optional<QString> answer = SendFromAnotherThread(name, InstanceRequest(request));
    QCOMPARE(seen, QList<InstanceRequest>{InstanceRequest(request)});
    QCOMPARE(answer, std::optional<QString>(CSingleInstance::RequestText(InstanceRequest(request)) + " done"));
}

void TestSingleInstance::unknownAndOverlongRequests()
{
    QTemporaryDir dir;
    const QString name = dir.filePath("instance");
    CSingleInstance first(name);
    QCOMPARE(first.TryClaim(), CSingleInstance::Claim::First);
    int calls = 0;
    first.SetHandler([&](InstanceRequest) { ++calls; return QStringLiteral("normal"); });

    QLocalSocket client;
    client.connectToServer(name);
    QVERIFY(client.waitForConnected(2000));
    client.write("reboot\nstate\n");
    QTRY_VERIFY(client.bytesAvailable() >= qint64(sizeof "unknown\nnormal\n") - 1);
    QCOMPARE(client.readAll(), QByteArray("unknown\nnormal\n"));
    QCOMPARE(calls, 1);

    // A line without end that passes any request's length is no request: the link is cut.
    client.write(QByteArray(4096, 'x'));
    QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(calls, 1);
}

void TestSingleInstance::deadSocketOfACrashedCopy()
{
    QTemporaryDir dir;
    const QString name = dir.filePath("instance");
    QVERIFY(LeaveDeadSocket(name));
    CSingleInstance first(name);
    QCOMPARE(first.TryClaim(), CSingleInstance::Claim::First);
    first.SetHandler([](InstanceRequest) { return QStringLiteral("alive"); });
    QCOMPARE(SendFromAnotherThread(name, InstanceRequest::State), std::optional<QString>("alive"));
}

void TestSingleInstance::releaseLetsTheNextCopyBeFirst()
{
    QTemporaryDir dir;
    const QString name = dir.filePath("instance");
    {
        CSingleInstance first(name);
        QCOMPARE(first.TryClaim(), CSingleInstance::Claim::First);
        first.Release();
        CSingleInstance next(name);
        QCOMPARE(next.TryClaim(), CSingleInstance::Claim::First);
    }
    CSingleInstance afterDestruction(name);
    QCOMPARE(afterDestruction.TryClaim(), CSingleInstance::Claim::First);
}

void TestSingleInstance::noFirstCopyToAsk()
{
    QTemporaryDir dir;
    CSingleInstance later(dir.filePath("instance"));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(later.Send(InstanceRequest::Show, 300), std::nullopt);
    QVERIFY(timer.elapsed() < 3000);
}

void TestSingleInstance::noLockFileAtAll()
{
    QTemporaryDir dir;
    CSingleInstance nowhere(dir.filePath("missing-folder/instance"));
    QCOMPARE(nowhere.TryClaim(), CSingleInstance::Claim::Unavailable);
}

void TestSingleInstance::defaultNameIsPerUserInTheRuntimeFolder()
{
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
    const QString name = CSingleInstance::DefaultName("Orvane Unicode");
    qputenv("XDG_RUNTIME_DIR", saved);
    QCOMPARE(name, dir.filePath(QStringLiteral("Orvane Unicode-%1").arg(::getuid())));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
