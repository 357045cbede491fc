#include "ui/common/StateColors.h"
#include "ui/tray/StatusIconPainter.h"

#include <QtTest>

using vireon::StatusIcon;
using vireon::StatusIconPainter;
using State = StatusIcon::State;

namespace {

const char* const names[] = {"idle", "warning", "feeding", "error"};

bool isSolid(QRgb pixel, State state)
{
    return qAlpha(pixel) == 255 && QColor(pixel).rgb() == vireon::stateColor(state).rgb();
}

} // namespace

class TestStatusIconPainter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyTraySize_data()
    {
        QTest::addColumn<int>("stateIndex");
        QTest::addColumn<int>("size");
        QTest::addColumn<qreal>("ratio");
        for (int i = 0; i < 4; ++i)
            for (const int size : {16, 22, 24, 32, 48})
                for (const qreal ratio : {1.0, 2.0})
                    QTest::addRow("%s at %d px ×%g", names[i], size, ratio) << i << size << ratio;
    }
    void everyTraySize()
    {
        QFETCH(int, stateIndex);
        QFETCH(int, size);
        QFETCH(qreal, ratio);
        const State state = State(stateIndex);
        const QImage image =
            StatusIconPainter::image(state, size, ratio).convertToFormat(QImage::Format_ARGB32);
        const QImage idle =
            StatusIconPainter::image(State::idle, size, ratio).convertToFormat(image.format());
        const int n = qRound(size * ratio);
        // A high-density image really has the extra pixels, and says so.
        QCOMPARE(image.size(), QSize(n, n));
        QCOMPARE(image.devicePixelRatio(), ratio);

        QRect drawn;
        int solid = 0, reshaped = 0;
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                drawn |= qAlpha(image.pixel(x, y)) ? QRect(x, y, 1, 1) : QRect();
                solid += isSolid(image.pixel(x, y), state);
                reshaped += std::abs(qAlpha(image.pixel(x, y)) - qAlpha(idle.pixel(x, y))) > 128;
            }
        // Nothing is cut off at the canvas edge.
        QVERIFY2(QRect(1, 1, n - 2, n - 2).contains(drawn), qPrintable(QDebug::toString(drawn)));
        // The state's own colour is there in solid pixels, not only in blended edges.
        QVERIFY2(solid >= n * n / 20, qPrintable(QStringLiteral("%1 solid pixels").arg(solid)));
        for (int other = 0; other < 4; ++other)
            QVERIFY(other == stateIndex || vireon::stateColor(State(other)) != vireon::stateColor(state));
        // Only the error's crossing bar changes the glyph, and it changes a visible part of it.
        QVERIFY(state == State::error ? reshaped >= n * n / 20 : reshaped == 0);

        // The mast is sharp: across it, a pixel is either wholly the colour or has none of it.
        int mast = 0;
        for (int x = n / 3; x <= n - n / 3; ++x) {
            const QRgb pixel = image.pixel(x, n * 85 / 100);
            mast += isSolid(pixel, state);
            QVERIFY(isSolid(pixel, state) || (pixel & RGB_MASK) == 0 || state == State::error);
        }
        QVERIFY(mast >= 2);
    }

    void theTrayIconIsDrawnForEachSizeNotScaled()
    {
        QImage hidpi = StatusIconPainter::icon(State::feeding).pixmap(QSize(22, 22), 2.0).toImage();
        hidpi.setDevicePixelRatio(1.0);
        QCOMPARE(hidpi.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 StatusIconPainter::image(State::feeding, 44));
    }

    void nonsenseSizesStillGiveAnIcon()
    {
        QCOMPARE(StatusIconPainter::image(State::warning, -22).size(), QSize(1, 1));
        QCOMPARE(StatusIconPainter::image(State::warning, 100000).size(), QSize(1024, 1024)); // capped
        QCOMPARE(StatusIconPainter::image(State::warning, 22, qQNaN()).size(), QSize(22, 22));
    }
};

QTEST_MAIN(TestStatusIconPainter)
#include "TestStatusIconPainter.moc"
