#include "app/AppState.h"
#include "config/StationConfigStore.h"
#include "decoder/ReadsbCommand.h"
#include "support/StationHarness.h"
#include "ui/networks/HealthBadge.h"
#include "ui/networks/NetworkRow.h"
#include "ui/networks/OtherNetworksSection.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace vireon;
using vireon::test::StationHarness;

namespace {
QJsonObject custom(const QString& host, int port, const QString& label, bool enabled = true)
{
    return {{"id", "custom-" + host + "-" + QString::number(port)},
            {"label", label},
            {"enabled", enabled},
            {"host", host},
            {"port", port},
            {"protocol", "beast_out"}};
}
} // namespace

class TestNetworksSection : public QObject {
    Q_OBJECT
    std::unique_ptr<StationHarness> h;
    std::unique_ptr<OtherNetworksSection> section;

    void open(const QJsonArray& extras = {})
    {
        QJsonObject config = StationHarness::defaultConfig();
        config["extraConnectors"] = extras;
        h->writeConfig(config);
        h->launchApplication();
        section = std::make_unique<OtherNetworksSection>(*h->state);
        section->resize(600, 1400); // room for every line a click brings out
        section->show();
    }
    NetworkRow* row(const QString& key) const
    {
        for (NetworkRow* r : section->rows()) {
            if (r->row().key() == key)
                return r;
        }
        qFatal("no row %s", qPrintable(key));
    }
    QJsonArray extrasOnDisk() const
    {
        QFile file(h->store->filePath());
        file.open(QIODevice::ReadOnly);
        return QJsonDocument::fromJson(file.readAll()).object()["extraConnectors"].toArray();
    }
    template <typename T>
    static T* in(QWidget* parent, const char* name)
    {
        return parent->findChild<T*>(name);
    }
    // Lines that just appeared get their place once pending layout requests are handled.
    static void click(QWidget* parent, const char* name)
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QTest::mouseClick(in<QAbstractButton>(parent, name), Qt::LeftButton);
    }

private Q_SLOTS:
    void init() { h = std::make_unique<StationHarness>(); }
    void cleanup()
    {
        section.reset();
        h.reset();
    }

    void aPresetSwitchedOffAndOnKeepsItsUuid()
    {
        open();
        NetworkRow* lol = row("adsb-lol");
        QVERIFY(!in<QWidget>(lol, "uuid")->isVisible());
        click(lol, "enabled");
        QCOMPARE(extrasOnDisk().size(), 1);
        QCOMPARE(extrasOnDisk()[0].toObject()["host"].toString(), QString("feed.adsb.lol"));
        QVERIFY(extrasOnDisk()[0].toObject()["uuid"].isNull());
        QVERIFY(in<QLabel>(lol, "uuidNote")->text().startsWith("Without a UUID"));
        click(lol, "generate");
        const QString generated = in<QLineEdit>(lol, "uuid")->text();
        QVERIFY(ReadsbCommand::isValidUUID(generated) && generated == generated.toLower());
        QVERIFY(in<QLabel>(lol, "uuidNote")->isHidden());
        click(lol, "enabled");
        click(lol, "enabled");
        QCOMPARE(extrasOnDisk().size(), 1);
        QCOMPARE(extrasOnDisk()[0].toObject()["uuid"].toString(), generated);
        QCOMPARE(in<QLineEdit>(lol, "uuid")->text(), generated);
    }

    void uuidTypingIsStoredTrimmedAndJudged()
    {
        open({custom("feed.example.net", 30004, "Club")});
        auto* uuid = in<QLineEdit>(row("custom-feed.example.net-30004"), "uuid");
        auto* note = in<QLabel>(row("custom-feed.example.net-30004"), "uuidNote");
        QTest::keyClicks(uuid, "bad_key");
        QCOMPARE(extrasOnDisk()[0].toObject()["uuid"].toString(), QString("bad_key"));
        QVERIFY(note->text().startsWith("Invalid UUID"));
        uuid->selectAll();
        QTest::keyClicks(uuid, "   ");
        QVERIFY(extrasOnDisk()[0].toObject()["uuid"].isNull());
        QVERIFY(note->text().startsWith("Without a UUID"));
        QCOMPARE(in<QLabel>(row("custom-feed.example.net-30004"), "endpoint")->text(),
                 QString("feed.example.net:30004"));
    }

    void twoConnectorsWithOneIdAreEditedAsTheFirstAndRemovedTogether()
    {
        open({custom("twin", 1, "First"), custom("other", 2, "Other"), custom("twin", 1, "Second")});
        NetworkRow* first = section->rows().at(1);
        QCOMPARE(in<QCheckBox>(first, "enabled")->text(), QString("First"));
        QTest::keyClicks(in<QLineEdit>(section->rows().at(3), "uuid"), "k");
        QCOMPARE(extrasOnDisk()[0].toObject()["uuid"].toString(), QString("k"));
        QVERIFY(extrasOnDisk()[2].toObject()["uuid"].isNull());
        click(first, "remove");
        QCOMPARE(extrasOnDisk().size(), 1);
        QCOMPARE(extrasOnDisk()[0].toObject()["label"].toString(), QString("Other"));
        QCOMPARE(section->rows().size(), 2);
    }

    void theCountAndWhichRowsCanBeRemoved()
    {
        open({custom("a", 1, "A"), custom("b", 2, "B", false)});
        auto* count = in<QLabel>(section.get(), "enabledCount");
        QCOMPARE(count->text(), QString("1 network enabled besides Vireon"));
        click(row("adsb-lol"), "enabled");
        QCOMPARE(count->text(), QString("2 networks enabled besides Vireon"));
        QVERIFY(in<QPushButton>(row("custom-a-1"), "remove")->isVisible());
        QVERIFY(!in<QPushButton>(row("adsb-lol"), "remove")->isVisible());
        for (const QString key : {"custom-a-1", "adsb-lol"})
            click(row(key), "enabled");
        QVERIFY(count->isHidden());
    }

    void vireonSwitchAndLiveHealth()
    {
        open({custom("localhost", 1, "Nobody listens", true)});
        auto* vireon = in<HealthBadge>(section.get(), "vireonHealth");
        auto* nobody = in<HealthBadge>(row("custom-localhost-1"), "health");
        QVERIFY(vireon->text().isEmpty());
        h->state->startFeeding();
        QTRY_COMPARE(vireon->text(), QString("Connected"));
        QTRY_VERIFY(nobody->text().startsWith("Retrying \u2014 "));
        QVERIFY(nobody->toolTip().contains("Connection refused"));
        h->state->stopFeeding();
        QTRY_VERIFY(vireon->text().isEmpty());

        click(section.get(), "feedVireon");
        QVERIFY(!h->store->config().vireon.enabled);
        QCOMPARE(h->store->config().vireon.uuid, QString(StationHarness::stationKey));
        QVERIFY(in<QLabel>(section.get(), "vireonNote")->text().startsWith("Vireon feeding is paused."));
    }
};

QTEST_MAIN(TestNetworksSection)
#include "TestNetworksSection.moc"
