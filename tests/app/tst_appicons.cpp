#include "app/AppIcons.h"

#include <QImage>
#include <QtTest>

namespace {

QImage ImageOf(const QIcon &icon, int size)
{
    return icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Share of pixels that are mostly opaque.
double Coverage(const QImage &image)
{
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            opaque += qAlpha(image.pixel(x, y)) > 128;
    }
    return double(opaque) / (image.width() * image.height());
}

} // namespace

class TestAppIcons : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyPictureIsDrawn_data();
    void everyPictureIsDrawn();
    void picturesDiffer();
    void unknownNumbersHaveNoPicture_data();
    void unknownNumbersHaveNoPicture();
};

void TestAppIcons::everyPictureIsDrawn_data()
{
    QTest::addColumn<QIcon>("icon");
    QTest::addColumn<int>("size");
    for (const int id : {128, 147, 148, 149, 150})
        QTest::addRow("icon %d", id) << CAppIcons::Icon(id) << 32;
    for (int i = 0; i < CAppIcons::ToolBarImageCount; ++i)
        QTest::addRow("tool bar image %d", i) << CAppIcons::ToolBarImage(i) << 20;
}

void TestAppIcons::everyPictureIsDrawn()
{
    QFETCH(QIcon, icon);
    QFETCH(int, size);
    QVERIFY(!icon.isNull());
    const QImage image = ImageOf(icon, size);
    QCOMPARE(image.size(), QSize(size, size));
    // Something is drawn, and not a filled square: the corners stay clear.
    const double coverage = Coverage(image);
    QVERIFY2(coverage > 0.1 && coverage < 0.95, qPrintable(QString::number(coverage)));
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
}

void TestAppIcons::picturesDiffer()
{
    // Each button and each frame of the animation has a picture of its own.
    QList<QImage> images;
    for (int i = 0; i < CAppIcons::ToolBarImageCount; ++i)
        images << ImageOf(CAppIcons::ToolBarImage(i), 20);
    for (int i = 0; i < images.size(); ++i) {
        for (int j = i + 1; j < images.size(); ++j)
            QVERIFY2(images[i] != images[j], qPrintable(QStringLiteral("tool bar images %1 and %2").arg(i).arg(j)));
    }
    QList<QImage> frames{ImageOf(CAppIcons::Icon(128), 32)};
    for (int id = 147; id <= 150; ++id)
        frames << ImageOf(CAppIcons::Icon(id), 32);
    for (int i = 0; i < frames.size(); ++i) {
        for (int j = i + 1; j < frames.size(); ++j)
            QVERIFY2(frames[i] != frames[j], qPrintable(QStringLiteral("icons %1 and %2").arg(i).arg(j)));
    }
}

void TestAppIcons::unknownNumbersHaveNoPicture_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("index");
    QTest::newRow("127, -1") << 127 << -1;
    QTest::newRow("146, 11") << 146 << 11;
    QTest::newRow("151, 12") << 151 << 12;
}

void TestAppIcons::unknownNumbersHaveNoPicture()
{
    QFETCH(int, id);
    QFETCH(int, index);
    QVERIFY(CAppIcons::Icon(id).isNull());
    QVERIFY(CAppIcons::ToolBarImage(index).isNull());
}

QTEST_MAIN(TestAppIcons)
#include "tst_appicons.moc"
