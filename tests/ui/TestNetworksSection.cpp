#include "app/AppState.h"
#include "config/StationConfigStore.h"
#include "decoder/ReadsbCommand.h"
#include "support/StationHarness.h"
#include "ui/networks/CustomConnectorSheet.h"
#include "ui/networks/HealthBadge.h"
#include "ui/networks/NetworkRow.h"
#include "ui/networks/OtherNetworksSection.h"
#include "ui/settings/SettingsView.h"

#include <QCheckBox>
#include <QComboBox>
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
    std::unique_ptr<SettingsView> view;
    OtherNetworksSection* section = nullptr;

    // The section in the settings form it belongs to, which keeps it up to date.
    void open(const QJsonArray& extras = {})
    {
        QJsonObject config = StationHarness::defaultConfig();
        config["extraConnectors"] = extras;
        h->writeConfig(config);
        h->launchApplication();
        view = std::make_unique<SettingsView>(*h->state);
        view->resize(600, 2400); // room for every line a click brings out
        view->show();
        section = view->networksSection();
    }
    NetworkRow* row(const QString& key) const
    {
        for (NetworkRow* r : section->rows()) {
            if (r->model().key == key)
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

    CustomConnectorSheet* openSheet()
    {
        click(section, "addCustom");
        CustomConnectorSheet* sheet = section->customSheet();
        if (!sheet || !sheet->isVisible() || sheet->parentWidget() != section->window() ||
            sheet->windowModality() != Qt::WindowModal)
            qFatal("the sheet did not open over the window");
        return sheet;
    }
    static void type(QWidget* parent, const char* field, const QString& text)
    {
        in<QLineEdit>(parent, field)->selectAll();
        QTest::keyClicks(in<QLineEdit>(parent, field), text);
    }
    static QString problem(CustomConnectorSheet* sheet)
    {
        auto* label = in<QLabel>(sheet, "problem");
        return label->isHidden() ? QString() : label->text();
    }

private Q_SLOTS:
    void init() { h = std::make_unique<StationHarness>(); }
    void cleanup()
    {
        view.reset();
        h.reset();
    }

    void aRowSwitchesKeysAndRemovesItsNetwork()
    {
        open({custom("feed.example.net", 30004, "Club")});
        NetworkRow* lol = row("adsb-lol");
        QVERIFY(!in<QWidget>(lol, "uuid")->isVisible());
        click(lol, "enabled");
        QCOMPARE(extrasOnDisk().size(), 2);
        QCOMPARE(extrasOnDisk()[1].toObject()["host"].toString(), QString("feed.adsb.lol"));
        QTRY_VERIFY(in<QWidget>(lol, "uuid")->isVisible());
        QVERIFY(in<QLabel>(lol, "uuidNote")->text().startsWith("Without a UUID"));
        click(lol, "generate");
        const QString generated = extrasOnDisk()[1].toObject()["uuid"].toString();
        QVERIFY(ReadsbCommand::isValidUuid(generated));
        QTRY_COMPARE(in<QLineEdit>(lol, "uuid")->text(), generated);
        QTRY_VERIFY(in<QLabel>(lol, "uuidNote")->isHidden());

        NetworkRow* club = row("custom-feed.example.net-30004");
        auto* uuid = in<QLineEdit>(club, "uuid");
        QTest::keyClicks(uuid, "bad_key");
        QCOMPARE(extrasOnDisk()[0].toObject()["uuid"].toString(), QString("bad_key"));
        QCOMPARE(uuid->text(), QString("bad_key")); // typing goes on in the same field
        QTRY_VERIFY(in<QLabel>(club, "uuidNote")->text().startsWith("Invalid UUID"));
        QCOMPARE(in<QLabel>(club, "endpoint")->text(), QString("feed.example.net:30004"));

        // Drawn as the destructive button it is: red where "Generate" beside it is not.
        auto* remove = in<QPushButton>(club, "remove");
        const QColor danger = remove->palette().color(QPalette::ButtonText);
        QVERIFY(danger.red() > 2 * danger.green() && danger.red() > 2 * danger.blue());
        QVERIFY(in<QPushButton>(club, "generate")->palette().color(QPalette::ButtonText) != danger);
        QVERIFY(!in<QPushButton>(lol, "remove")->isVisible());
        click(club, "remove");
        QCOMPARE(extrasOnDisk().size(), 1);
        QTRY_COMPARE(section->rows().size(), 1); // the published document offers one preset
        QTRY_COMPARE(in<QLabel>(section, "enabledCount")->text(),
                     QString("1 network enabled besides Vireon"));
    }

    void aNameWithAnAmpersandIsShownAsWrittenAndGivesNoShortcut()
    {
        open({custom("rnd.example.net", 30004, "R&D feed")});
        auto* box = in<QCheckBox>(row("custom-rnd.example.net-30004"), "enabled");
        QVERIFY(QKeySequence::mnemonic(box->text()).isEmpty());
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        QTest::keyClick(view.get(), Qt::Key_D, Qt::AltModifier);
        QVERIFY(extrasOnDisk()[0].toObject()["enabled"].toBool());
        QVERIFY(box->isChecked());
    }

    void vireonSwitchAndLiveHealth()
    {
        open({custom("localhost", 1, "Nobody listens", true)});
        auto* vireon = in<HealthBadge>(section, "vireonHealth");
        auto* nobody = in<HealthBadge>(row("custom-localhost-1"), "health");
        QVERIFY(vireon->text().isEmpty());
        h->state->startFeeding();
        QTRY_COMPARE(vireon->text(), QString("Connected"));
        QTRY_VERIFY(nobody->text().startsWith("Retrying \u2014 "));
        QVERIFY(nobody->toolTip().contains("Connection refused"));
        h->state->stopFeeding();
        QTRY_VERIFY(vireon->text().isEmpty());

        click(section, "feedVireon");
        QVERIFY(!h->store->config().vireon.enabled);
        QCOMPARE(h->store->config().vireon.uuid, QString(StationHarness::stationKey));
        QTRY_VERIFY(in<QLabel>(section, "vireonNote")->text().startsWith("Vireon feeding is paused."));
    }

    void messagesAppearInOrderAndReturnAddsOnlyAcceptableEntries()
    {
        open();
        CustomConnectorSheet* sheet = openSheet();
        auto* add = in<QPushButton>(sheet, "add");
        QVERIFY(!add->isEnabled());
        QCOMPARE(problem(sheet), QString());
        type(sheet, "host", "Feed.Example.NET");
        type(sheet, "port", "0");
        QCOMPARE(problem(sheet), QString("Port must be a number between 1 and 65535."));
        QTest::keyClick(in<QLineEdit>(sheet, "port"), Qt::Key_Return);
        QVERIFY(sheet->isVisible());
        type(sheet, "port", "+30004");
        type(sheet, "uuid", " abc-1");
        QCOMPARE(problem(sheet), QString("UUID may contain letters, digits and dashes only."));
        QVERIFY(!add->isEnabled());
        // A valid key the chosen protocol would not send is said at once, and again when the protocol
        // changes under it.
        const QString key = QStringLiteral("0123abcd-0000-4000-8000-000000000001");
        type(sheet, "uuid", key);
        auto* keyWarning = in<QLabel>(sheet, "keyWarning");
        QVERIFY(keyWarning->isHidden());
        in<QComboBox>(sheet, "protocol")->setCurrentText("beast_out");
        QVERIFY(!keyWarning->isHidden());
        QVERIFY(keyWarning->text().startsWith("beast_out sends no key"));
        in<QComboBox>(sheet, "protocol")->setCurrentText("beast_reduce_plus_out");
        QVERIFY(keyWarning->isHidden());
        type(sheet, "uuid", "abc-1");
        QVERIFY(add->isEnabled());
        QTest::keyClick(in<QLineEdit>(sheet, "uuid"), Qt::Key_Return);
        QTRY_VERIFY(!section->customSheet());

        const auto added = h->store->config().extraConnectors;
        QCOMPARE(added.size(), 1);
        QCOMPARE(added[0], (StationConfig::ExtraConnector{"custom-feed.example.net-30004", "Feed.Example.NET",
                                                          true, "Feed.Example.NET", 30004,
                                                          "beast_reduce_plus_out", "abc-1"}));
        StationConfigStore reread(h->store->filePath());
        QCOMPARE(reread.config().extraConnectors, added);
    }

    void eachOpeningStartsAfreshAndEscapeChangesNothing()
    {
        open();
        CustomConnectorSheet* sheet = openSheet();
        type(sheet, "host", "club.example.org");
        QTest::keyClick(sheet, Qt::Key_Escape);
        QTRY_VERIFY(!section->customSheet());
        QVERIFY(h->store->config().extraConnectors.isEmpty());
        QCOMPARE(openSheet()->form(), CustomNetworkInput());
    }
};

QTEST_MAIN(TestNetworksSection)
#include "TestNetworksSection.moc"
