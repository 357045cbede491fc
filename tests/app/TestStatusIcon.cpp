#include "app/StatusIcon.h"

#include <QtTest>
#include <cmath>

using vireon::StatusIcon;
using State = StatusIcon::State;

Q_DECLARE_METATYPE(StatusIcon::State)

namespace {

const QList<State> allStates{State::idle, State::warning, State::feeding, State::error};

const char* nameOf(State state)
{
    switch (state) {
    case State::idle:
        return "idle";
    case State::warning:
        return "warning";
    case State::feeding:
        return "feeding";
    case State::error:
        return "error";
    }
    return "?";
}

bool isStateColour(QRgb pixel, State state)
{
    return qAlpha(pixel) == 255 && QColor(pixel).rgb() == StatusIcon::color(state).rgb();
}

// Which pixels are covered at all: the shape, independent of colour.
QList<bool> coverage(const QImage& image)
{
    QList<bool> mask;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            mask.append(qAlpha(image.pixel(x, y)) > 128);
    return mask;
}

int differingPixels(const QList<bool>& a, const QList<bool>& b)
{
    int count = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        count += a[i] != b[i];
    return count;
}

void addTrayRows()
{
    QTest::addColumn<State>("state");
    QTest::addColumn<int>("size");
    QTest::addColumn<qreal>("ratio");
    for (const State state : allStates)
        for (const int size : {16, 22, 24, 32, 48})
            for (const qreal ratio : {1.0, 2.0})
                QTest::addRow("%s at %d px ×%g", nameOf(state), size, ratio) << state << size << ratio;
}

} // namespace

class TestStatusIcon : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyTraySize_data() { addTrayRows(); }
    void everyTraySize()
    {
        QFETCH(State, state);
        QFETCH(int, size);
        QFETCH(qreal, ratio);
        const QImage image = StatusIcon::image(state, size, ratio);
        const int pixels = int(std::lround(size * ratio));

        // A high-density image really has the extra pixels, and says so.
        QCOMPARE(image.size(), QSize(pixels, pixels));
        QCOMPARE(image.devicePixelRatio(), ratio);

        // Nothing is cut off at the canvas edge: the outermost ring of pixels stays empty.
        for (int i = 0; i < pixels; ++i) {
            QCOMPARE(qAlpha(image.pixel(i, 0)), 0);
            QCOMPARE(qAlpha(image.pixel(i, pixels - 1)), 0);
            QCOMPARE(qAlpha(image.pixel(0, i)), 0);
            QCOMPARE(qAlpha(image.pixel(pixels - 1, i)), 0);
        }

        // The state's colour is there in solid pixels, not only as blended edges.
        int solid = 0;
        for (int y = 0; y < pixels; ++y)
            for (int x = 0; x < pixels; ++x)
                solid += isStateColour(image.pixel(x, y), state);
        QVERIFY2(solid >= pixels * pixels / 20, qPrintable(QStringLiteral("%1 solid pixels").arg(solid)));

        // The mast is sharp: across it, pixels are either wholly the colour or carry none of it.
        const QImage plain = image.convertToFormat(QImage::Format_ARGB32);
        const int row = pixels * 85 / 100;
        int mast = 0;
        for (int x = pixels / 2 - pixels / 6; x <= pixels / 2 + pixels / 6; ++x) {
            const QRgb pixel = plain.pixel(x, row);
            if (isStateColour(pixel, state))
                ++mast;
            else if (state != State::error)
                QVERIFY2(qRed(pixel) + qGreen(pixel) + qBlue(pixel) == 0,
                         qPrintable(QStringLiteral("blurred mast edge at x=%1").arg(x)));
        }
        QVERIFY(mast >= 2);
    }

    void statesDifferInColourAndOnlyTheErrorInShape_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("16 px") << 16;
        QTest::newRow("22 px") << 22;
        QTest::newRow("48 px") << 48;
    }
    void statesDifferInColourAndOnlyTheErrorInShape()
    {
        QFETCH(int, size);
        QList<QImage> images;
        for (const State state : allStates)
            images.append(StatusIcon::image(state, size));
        for (int a = 0; a < images.size(); ++a)
            for (int b = a + 1; b < images.size(); ++b)
                QVERIFY2(images[a] != images[b], qPrintable(QStringLiteral("%1 == %2").arg(a).arg(b)));

        const QList<bool> antenna = coverage(images[0]);
        QCOMPARE(coverage(images[1]), antenna);
        QCOMPARE(coverage(images[2]), antenna);
        // The crossing bar changes a visible part of the glyph, not a stray pixel.
        QVERIFY(differingPixels(coverage(images[3]), antenna) >= size * size / 20);
    }

    void coloursAreDistinctShades()
    {
        for (int a = 0; a < allStates.size(); ++a)
            for (int b = a + 1; b < allStates.size(); ++b)
                QVERIFY(StatusIcon::color(allStates[a]) != StatusIcon::color(allStates[b]));
    }

    void theTrayIconHasAPixmapForEverySizeAndDensity()
    {
        const QIcon icon = StatusIcon::icon(State::feeding);
        const QList<QSize> available = icon.availableSizes();
        for (const int size : {16, 22, 24, 32, 48, 64, 96})
            QVERIFY2(available.contains(QSize(size, size)), qPrintable(QString::number(size)));
        const QPixmap hidpi = icon.pixmap(QSize(22, 22), 2.0);
        QCOMPARE(hidpi.size(), QSize(44, 44));
        QImage drawn = hidpi.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        drawn.setDevicePixelRatio(1.0);
        // Drawn for that size, not a scaled copy of a smaller one.
        QCOMPARE(drawn, StatusIcon::image(State::feeding, 44));
    }

    void nonsenseSizesStillGiveAnIcon_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("expectedPixels");
        QTest::newRow("zero size") << 0 << 1.0 << 1;
        QTest::newRow("negative size") << -22 << 1.0 << 1;
        QTest::newRow("a size no tray has") << 100000 << 1.0 << 1024;
        QTest::newRow("a ratio that overflows the canvas") << 48 << 1000.0 << 1024;
        QTest::newRow("zero ratio") << 22 << 0.0 << 22;
        QTest::newRow("negative ratio") << 22 << -2.0 << 22;
        QTest::newRow("not a number") << 22 << qQNaN() << 22;
        QTest::newRow("infinite ratio") << 22 << qInf() << 22;
    }
    void nonsenseSizesStillGiveAnIcon()
    {
        QFETCH(int, size);
        QFETCH(qreal, ratio);
        QFETCH(int, expectedPixels);
        const QImage image = StatusIcon::image(State::warning, size, ratio);
        QCOMPARE(image.size(), QSize(expectedPixels, expectedPixels));
    }
};

QTEST_MAIN(TestStatusIcon)
#include "TestStatusIcon.moc"
