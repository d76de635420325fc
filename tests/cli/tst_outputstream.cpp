// Writes to standard output and error: every failure is seen, and nothing more is tried after it.

#include "FailingStream.h"

#include "cli/OutputStream.h"

#include <QList>
#include <QTest>

#include <cerrno>

class tst_OutputStream : public QObject {
    Q_OBJECT

private slots:
    void failures_data();
    void failures();
};

void tst_OutputStream::failures_data()
{
    QTest::addColumn<qsizetype>("capacity");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QList<bool>>("written");   // what each Write answers
    QTest::addColumn<bool>("flushed");
    QTest::addColumn<int>("firstError");
    QTest::addColumn<QByteArray>("received");

    // Unbuffered as standard error is: each write goes to the device at once.
    const QByteArrayList short3{"abc", "def", "ghi"};
    QTest::newRow("unbuffered, full at the second write") << qsizetype(3) << ENOSPC << 0 << short3
                                                          << QList<bool>{true, false, false} << false << ENOSPC
                                                          << QByteArray("abc");
    QTest::newRow("unbuffered, full from the first byte") << qsizetype(0) << ENOSPC << 0 << short3
                                                          << QList<bool>{false, false, false} << false << ENOSPC
                                                          << QByteArray();
    // Buffered as standard output is on a file or a pipe: the device sees the bytes later.
    const QByteArrayList blocks{QByteArray(100, 'a'), QByteArray(100, 'b'), QByteArray(100, 'c')};
    const QByteArray all = blocks.join();
    QTest::newRow("buffered, everything fits") << qsizetype(1000) << ENOSPC << 256 << blocks
                                               << QList<bool>{true, true, true} << true << 0 << all;
    QTest::newRow("closed pipe seen only at the flush") << qsizetype(0) << EPIPE << 256 << short3
                                                        << QList<bool>{true, true, true} << false << EPIPE
                                                        << QByteArray();
    QTest::newRow("full buffer handed to a failing device") << qsizetype(0) << EIO << 256 << blocks
                                                            << QList<bool>{true, true, false} << false << EIO
                                                            << QByteArray();
    QTest::newRow("full when the rest is flushed") << qsizetype(256) << ENOSPC << 256 << blocks
                                                   << QList<bool>{true, true, true} << false << ENOSPC
                                                   << all.left(256);
}

void tst_OutputStream::failures()
{
    QFETCH(qsizetype, capacity);
    QFETCH(int, error);
    QFETCH(int, bufferSize);
    QFETCH(QByteArrayList, chunks);
    QFETCH(QList<bool>, written);
    QFETCH(bool, flushed);
    QFETCH(int, firstError);
    QFETCH(QByteArray, received);

    FailingStream sink(capacity, error, size_t(bufferSize));
    COutputStream stream(sink.File());
    int writesWhenFailed = -1;
    for (qsizetype i = 0; i < chunks.size(); ++i) {
        QCOMPARE(stream.Write(chunks[i]), written[i]);
        if (stream.Failed() && writesWhenFailed < 0)
            writesWhenFailed = sink.Writes();
    }
    QCOMPARE(stream.Flush(), flushed);
    QCOMPARE(stream.Failed(), !flushed);
    QCOMPARE(stream.Error(), firstError);
    if (writesWhenFailed < 0)
        writesWhenFailed = sink.Writes();
    // Once a write has failed, neither the later writes, nor the flush, nor closing the stream
    // at the end of the program try again.
    sink.Close();
    QCOMPARE(sink.Received(), received);
    QCOMPARE(sink.HasFailed(), !flushed);
    if (!flushed)
        QCOMPARE(sink.Writes(), writesWhenFailed);
}

QTEST_APPLESS_MAIN(tst_OutputStream)
#include "tst_outputstream.moc"
