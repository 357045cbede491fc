#include "app/StatusIcon.h"

#include <QtTest>

using vireon::StatusIcon;
using State = StatusIcon::State;

namespace {

const QList<State> states{State::idle, State::warning, State::feeding, State::error};
const char* const names[] = {"idle", "warning", "feeding", "error"};

bool isSolid(QRgb pixel, State state)
{
    return qAlpha(pixel) == 255 && QColor(pixel).rgb() == StatusIcon::color(state).rgb();
}

// Which pixels the glyph covers, whatever its colour.
QList<bool> shapeOf(const QImage& image)
{
    QList<bool> mask;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            mask.append(qAlpha(image.pixel(x, y)) > 128);
    return mask;
}

} // namespace

class TestStatusIcon : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyTraySize_data()
    {
        QTest::addColumn<int>("stateIndex");
        QTest::addColumn<int>("size");
        QTest::addColumn<qreal>("ratio");
        for (int i = 0; i < states.size(); ++i)
            for (const int size : {16, 22, 24, 32, 48})
                for (const qreal ratio : {1.0, 2.0})
                    QTest::addRow("%s at %d px ×%g", names[i], size, ratio) << i << size << ratio;
    }
    void everyTraySize()
    {
        QFETCH(int, stateIndex);
        QFETCH(int, size);
        QFETCH(qreal, ratio);
        const State state = states[stateIndex];
        const QImage image = StatusIcon::image(state, size, ratio).convertToFormat(QImage::Format_ARGB32);
        const int pixels = qRound(size * ratio);

        // A high-density image really has the extra pixels, and says so.
        QCOMPARE(image.size(), QSize(pixels, pixels));
        QCOMPARE(image.devicePixelRatio(), ratio);

        // Nothing is cut off at the canvas edge: the outermost ring of pixels stays empty.
        for (int i = 0; i < pixels; ++i) {
            for (const QPoint p : {QPoint(i, 0), QPoint(i, pixels - 1), QPoint(0, i), QPoint(pixels - 1, i)})
                QVERIFY2(qAlpha(image.pixel(p)) == 0,
                         qPrintable(QStringLiteral("edge pixel %1,%2").arg(p.x()).arg(p.y())));
        }

        // The state's colour is there in solid pixels, not only in blended edges.
        int solid = 0;
        for (int y = 0; y < pixels; ++y)
            for (int x = 0; x < pixels; ++x)
                solid += isSolid(image.pixel(x, y), state);
        QVERIFY2(solid >= pixels * pixels / 20, qPrintable(QStringLiteral("%1 solid pixels").arg(solid)));

        // The mast is sharp: across it, a pixel is either wholly the colour or has none of it.
        const int row = pixels * 85 / 100;
        int mast = 0;
        for (int x = pixels / 3; x <= pixels - pixels / 3; ++x) {
            const QRgb pixel = image.pixel(x, row);
            mast += isSolid(pixel, state);
            if (!isSolid(pixel, state) && state != State::error)
                QVERIFY2(qRed(pixel) + qGreen(pixel) + qBlue(pixel) == 0, qPrintable(QString::number(x)));
        }
        QVERIFY(mast >= 2);
    }

    void statesDifferInColourAndOnlyTheErrorInShape()
    {
        const int size = 16;
        QList<QImage> images;
        for (const State state : states)
            images.append(StatusIcon::image(state, size));
        for (int a = 0; a < images.size(); ++a)
            for (int b = a + 1; b < images.size(); ++b)
                QVERIFY2(images[a] != images[b],
                         qPrintable(QStringLiteral("%1 = %2").arg(names[a], names[b])));

        const QList<bool> antenna = shapeOf(images[0]);
        QCOMPARE(shapeOf(images[1]), antenna);
        QCOMPARE(shapeOf(images[2]), antenna);
        // The crossing bar changes a visible part of the glyph, not a stray pixel.
        const QList<bool> crossed = shapeOf(images[3]);
        QVERIFY(std::inner_product(crossed.cbegin(), crossed.cend(), antenna.cbegin(), 0, std::plus<>(),
                                   std::not_equal_to<>()) >= size * size / 20);
    }

    void theTrayIconIsDrawnForEachSizeNotScaled()
    {
        const QIcon icon = StatusIcon::icon(State::feeding);
        for (const int size : {16, 22, 24, 32, 48, 64, 96})
            QVERIFY2(icon.availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));
        QImage hidpi =
            icon.pixmap(QSize(22, 22), 2.0).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(hidpi.size(), QSize(44, 44));
        hidpi.setDevicePixelRatio(1.0);
        QCOMPARE(hidpi, StatusIcon::image(State::feeding, 44));
    }

    void nonsenseSizesStillGiveAnIcon_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("pixels");
        QTest::newRow("a negative size gives the smallest") << -22 << 1.0 << 1;
        QTest::newRow("a huge size is capped") << 100000 << 1.0 << 1024;
        QTest::newRow("a ratio that is not a number counts as 1") << 22 << qQNaN() << 22;
    }
    void nonsenseSizesStillGiveAnIcon()
    {
        QFETCH(int, size);
        QFETCH(qreal, ratio);
        QFETCH(int, pixels);
        QCOMPARE(StatusIcon::image(State::warning, size, ratio).size(), QSize(pixels, pixels));
    }
};

QTEST_MAIN(TestStatusIcon)
#include "TestStatusIcon.moc"
