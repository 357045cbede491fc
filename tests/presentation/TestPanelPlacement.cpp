#include "presentation/panel/PanelPlacement.h"

#include <QtTest>

using namespace vireon;

Q_DECLARE_METATYPE(std::optional<QRect>)
Q_DECLARE_METATYPE(std::optional<qint64>)

namespace {

// A 1920 × 1080 screen with a 28-pixel panel at the top.
const QRect topPanelScreen(0, 28, 1920, 1052);
const QSize panelSize(280, 300);

} // namespace

class TestPanelPlacement : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void panelStaysOnScreenNearItsIcon_data()
    {
        QTest::addColumn<std::optional<QRect>>("icon");
        QTest::addColumn<QPoint>("cursor");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("expected");

        QTest::newRow("under an icon in the middle of a top panel")
            << std::optional(QRect(900, 2, 24, 24)) << QPoint() << topPanelScreen << QPoint(771, 30);
        QTest::newRow("icon in the top-right corner: pulled in from the edge")
            << std::optional(QRect(1890, 2, 24, 24)) << QPoint() << topPanelScreen << QPoint(1640, 30);
        QTest::newRow("icon in a bottom panel: above it")
            << std::optional(QRect(1800, 1056, 24, 24)) << QPoint() << QRect(0, 0, 1920, 1052)
            << QPoint(1640, 752);
        QTest::newRow("icon in a left panel: beside it") << std::optional(QRect(4, 500, 24, 24)) << QPoint()
                                                         << QRect(32, 0, 1888, 1080) << QPoint(32, 500);
        QTest::newRow("no geometry (StatusNotifierItem): at the pointer")
            << std::optional<QRect>() << QPoint(600, 10) << topPanelScreen << QPoint(460, 28);
        QTest::newRow("empty geometry counts as none")
            << std::optional(QRect(0, 0, 0, 0)) << QPoint(1919, 1079) << topPanelScreen << QPoint(1640, 775);
        QTest::newRow("second screen to the right")
            << std::optional<QRect>() << QPoint(2000, 40) << QRect(1920, 0, 1280, 1024) << QPoint(1920, 45);
        QTest::newRow("screen smaller than the panel: top-left shows")
            << std::optional<QRect>() << QPoint(100, 100) << QRect(0, 0, 200, 200) << QPoint(0, 0);
    }

    void panelStaysOnScreenNearItsIcon()
    {
        QFETCH(std::optional<QRect>, icon);
        QFETCH(QPoint, cursor);
        QFETCH(QRect, available);
        QFETCH(QPoint, expected);
        QCOMPARE(panelPosition(panelSize, icon, cursor, available), expected);
    }

    void trayClick_data()
    {
        QTest::addColumn<bool>("visible");
        QTest::addColumn<std::optional<qint64>>("sinceFocusLoss");
        QTest::addColumn<TrayClickOutcome>("outcome");
        QTest::newRow("closed, never opened")
            << false << std::optional<qint64>() << TrayClickOutcome::openPanel;
        QTest::newRow("open: the click closes it")
            << true << std::optional<qint64>(5) << TrayClickOutcome::closePanel;
        QTest::newRow("this very click took the focus and closed it")
            << false << std::optional<qint64>(40) << TrayClickOutcome::ignore;
        QTest::newRow("closed by focus loss a while ago")
            << false << std::optional<qint64>(focusLossClickWindowMs) << TrayClickOutcome::openPanel;
    }

    void trayClick()
    {
        QFETCH(bool, visible);
        QFETCH(std::optional<qint64>, sinceFocusLoss);
        QFETCH(TrayClickOutcome, outcome);
        QCOMPARE(trayClickOutcome(visible, sinceFocusLoss), outcome);
    }
};

QTEST_GUILESS_MAIN(TestPanelPlacement)
#include "TestPanelPlacement.moc"
