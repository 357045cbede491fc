// Runs on a private session bus (VIREON_TEST_NEEDS_DBUS) with a stand-in file manager.
#include "app/AppSettings.h"
#include "app/AppState.h"
#include "config/StationConfigStore.h"
#include "decoder/ReadsbCommand.h"
#include "platform/FileManagerReveal.h"
#include "stats/StatsReader.h"
#include "support/FileSizeLimit.h"
#include "support/StationHarness.h"
#include "ui/WindowRouter.h"
#include "ui/networks/CustomConnectorSheet.h"
#include "ui/networks/HealthBadge.h"
#include "ui/networks/NetworkRow.h"
#include "ui/networks/OtherNetworksSection.h"
#include "ui/settings/SettingsView.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QGuiApplication>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QWheelEvent>
#include <QtTest>

using namespace vireon;
using vireon::test::StationHarness;

namespace {

// Answers org.freedesktop.FileManager1.ShowItems and remembers what it was asked to show.
class FakeFileManager final : public QDBusVirtualObject {
public:
    FakeFileManager() : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-file-manager"))
    {
        if (!m_bus.registerVirtualObject("/org/freedesktop/FileManager1", this) ||
            !m_bus.registerService("org.freedesktop.FileManager1"))
            qFatal("cannot stand in for the file manager");
    }
    ~FakeFileManager() override
    {
        m_bus.unregisterService("org.freedesktop.FileManager1");
        m_bus.unregisterObject("/org/freedesktop/FileManager1");
        QDBusConnection::disconnectFromBus("fake-file-manager");
    }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != "org.freedesktop.FileManager1" || message.member() != "ShowItems")
            return false;
        shown.append(message.arguments().value(0).toStringList());
        return connection.send(message.createReply());
    }
    QStringList shown;

private:
    QDBusConnection m_bus;
};

QJsonObject custom(const QString& host, int port, const QString& label)
{
    return {{"id", "custom-" + host + "-" + QString::number(port)},
            {"label", label},
            {"enabled", true},
            {"host", host},
            {"port", port},
            {"protocol", "beast_out"}};
}

QJsonObject withExtras(const QJsonArray& extras)
{
    return StationHarness::defaultConfigWith("extraConnectors", extras);
}

QJsonObject withStation(const QString& gain, double lat = 52.5)
{
    return StationHarness::defaultConfigWith(
        "station", QJsonObject{{"name", "Roof"}, {"lat", lat}, {"lon", 13.4}, {"gain", gain}});
}

template <typename T = QWidget>
T* in(QWidget* parent, const char* name)
{
    return vireon::test::child<T>(parent, name);
}

// Lines that just appeared get their place once pending layout requests are handled.
void click(QWidget* parent, const char* name)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QTest::mouseClick(in<QAbstractButton>(parent, name), Qt::LeftButton);
}

void type(QWidget* parent, const char* field, const QString& text)
{
    in<QLineEdit>(parent, field)->selectAll();
    QTest::keyClicks(in<QLineEdit>(parent, field), text);
}

// A wheel turn down over the middle of a control, as the mouse would send it.
void turnWheelOver(QWidget* control)
{
    const QPoint middle = control->rect().center();
    QWheelEvent turn(middle, control->mapToGlobal(middle), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(control, &turn);
}

} // namespace

class TestSettingsView : public QObject {
    Q_OBJECT
    std::unique_ptr<StationHarness> h;
    std::unique_ptr<SettingsView> view;
    OtherNetworksSection* section = nullptr;
    QStringList revealed;
    bool fileManagerWorks = true;

    template <typename T = QWidget>
    T* child(const char* name) const
    {
        return in<T>(view.get(), name);
    }
    QJsonObject onDisk(const char* section) const { return h->savedSection(section); }
    static QByteArray fileBytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QJsonArray extrasOnDisk() const { return h->savedConfig()["extraConnectors"].toArray(); }
    void open(const QJsonObject& config = StationHarness::defaultConfig())
    {
        h->writeConfig(config);
        h->launchApplication();
        view = std::make_unique<SettingsView>(*h->state);
        view->setRevealer([this](const QString& path, std::function<void(bool)> done) {
            revealed.append(path);
            done(fileManagerWorks);
        });
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
    CustomConnectorSheet* openSheet()
    {
        click(section, "addCustom");
        CustomConnectorSheet* sheet = section->customSheet();
        if (!sheet || !sheet->isVisible() || sheet->parentWidget() != section->window() ||
            sheet->windowModality() != Qt::WindowModal)
            qFatal("the sheet did not open over the window");
        return sheet;
    }

private Q_SLOTS:
    void init() { h = std::make_unique<StationHarness>(); }
    void cleanup()
    {
        view.reset();
        h.reset();
        QLocale::setDefault(QLocale::c());
    }

    void gainChoiceAndSliderWriteTheGainText()
    {
        open();
        auto* choice = child<QComboBox>("gainChoice");
        auto* slider = child<QSlider>("gainSlider");
        QVERIFY(slider->isHidden());
        QTest::keyClick(choice, Qt::Key_Down);
        QCOMPARE(onDisk("station")["gain"].toString(), QString("43.9"));
        QTRY_VERIFY(slider->isVisible());
        QCOMPARE(child<QLabel>("gainLabel")->text(), QString("Gain 43.9 dB"));
        QTest::keyClick(slider, Qt::Key_End);
        QCOMPARE(onDisk("station")["gain"].toString(), QString("49.6"));
        QTest::keyClick(choice, Qt::Key_Up);
        QCOMPARE(onDisk("station")["gain"].toString(), QString("auto"));
        QTRY_VERIFY(slider->isHidden());
    }

    // A person changing the gain sees what it does, and a position far from the aircraft is named.
    void whileFeedingTheFormShowsWhatTheStationHears()
    {
        h->setScenario({"connect",
                        "write-json aircraft=12 messages=600 window=60 lat=52.5 lon=13.4 signal=-2 noise=-20",
                        "run"});
        open();
        QVERIFY(child("receiverFigures")->isHidden() && child("positionWarning")->isHidden());
        h->state->editStation([](StationConfig& c) {
            c.station.lat = 13.4;
            c.station.lon = 52.5;
        });
        h->state->startFeeding();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(h->store->jsonDirectory() + "/stats.json"), 20'000);
        h->clock.advance(StatsReader::pollInterval);
        QTRY_VERIFY(child("positionWarning")->isVisible());
        QVERIFY(child<QLabel>("positionWarning")->text().endsWith("Latitude and longitude look swapped."));
        QCOMPARE(child<QLabel>("receiverFigures")->text(),
                 QString("Signal \u22122.0 dBFS \u00b7 noise \u221220.0"));
        QVERIFY(child("receiverFigures")->isVisible());
        QVERIFY(child("receiverHints")->isHidden());

        // Putting it right takes the warning away at once.
        auto* latitude = child<QLineEdit>("latitude");
        latitude->selectAll();
        QTest::keyClicks(latitude, "52.5");
        QTest::keyClick(latitude, Qt::Key_Return);
        QVERIFY(child("positionWarning")->isVisible()); // the longitude is still Berlin's latitude
        auto* longitude = child<QLineEdit>("longitude");
        longitude->selectAll();
        QTest::keyClicks(longitude, "13.4");
        QTest::keyClick(longitude, Qt::Key_Return);
        QTRY_VERIFY(child("positionWarning")->isHidden());
    }

    void aWheelTurnOverTheGainScrollsTheFormAndChangesNothing()
    {
        open(withStation("38.6"));
        view->resize(view->sizeHint().width(), 300); // the form is taller than its window
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QScrollBar* scroll = view->findChild<QScrollArea*>()->verticalScrollBar();
        auto* slider = child<QSlider>("gainSlider");
        child("stationName")->setFocus();
        const QJsonObject before = h->savedConfig();

        for (QWidget* control : {child("gainChoice"), child("gainSlider")}) {
            const int scrolled = scroll->value();
            turnWheelOver(control);
            QVERIFY2(scroll->value() > scrolled, qPrintable(control->objectName()));
        }
        QCOMPARE(h->savedConfig(), before);
        QCOMPARE(slider->value(), 386);

        // Once the user has chosen the control, the wheel is theirs to use on it.
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        slider->setFocus();
        turnWheelOver(slider);
        QVERIFY(onDisk("station")["gain"].toString() != "38.6");
    }

    // How a coordinate is read has its own table; here that the field reads in the user's locale
    // and puts back what is stored when it cannot read the text.
    void coordinatesAreTakenWhenEditingEnds_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("shownAfter");
        QTest::newRow("unreadable: the stored value comes back")
            << QLocale(QLocale::English, QLocale::UnitedStates) << "north" << 52.520008 << "52.520008";
        QTest::newRow("decimal comma")
            << QLocale(QLocale::German, QLocale::Germany) << "48,25" << 48.25 << "48,25";
    }
    void coordinatesAreTakenWhenEditingEnds()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, typed);
        QLocale::setDefault(locale);
        open();
        auto* latitude = child<QLineEdit>("latitude");
        type(view.get(), "latitude", typed);
        QTest::keyClick(latitude, Qt::Key_Return);
        QTEST(onDisk("station")["lat"].toDouble(), "stored");
        QVERIFY(onDisk("station")["lat"].isDouble());
        QFETCH(QString, shownAfter);
        QTRY_COMPARE(latitude->text(), shownAfter);
    }

    void leavingAnUneditedFieldKeepsAPrecisePosition()
    {
        open(withStation("auto", 52.12345678));
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(child("latitude"), &out);
        child("stationName")->setFocus();
        QTest::keyClicks(child("stationName"), "!");
        QCOMPARE(onDisk("station")["name"].toString(), QString("Roof!"));
        QCOMPARE(onDisk("station")["lat"].toDouble(), 52.12345678);
    }

    void theStationKeyIsNormalisedAsItIsWritten()
    {
        open();
        auto* key = child<QLineEdit>("stationKey");
        key->selectAll();
        QGuiApplication::clipboard()->setText(
            "feed.vireon.network,30004,beast_reduce_plus_out,uuid=ab-12,extra");
        QTest::keyClick(key, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(key->text(), QString("ab-12"));
        QCOMPARE(onDisk("vireon")["uuid"].toString(), QString("ab-12"));
        // A key this short is accepted, and never sent: the user is told under the field.
        auto* warning = child<QLabel>("stationKeyWarning");
        QTRY_VERIFY(warning->isVisibleTo(key->window()));
        key->setCursorPosition(2);
        QTest::keyClick(key, Qt::Key_X);
        QCOMPARE(key->text(), QString("abx-12"));
        QCOMPARE(key->cursorPosition(), 3);
        key->selectAll();
        QTest::keyClick(key, Qt::Key_Delete);
        QVERIFY(!onDisk("vireon").contains("uuid"));
        QTRY_VERIFY(!warning->isVisibleTo(key->window()));
    }

    void theFormFollowsTheStateWhileOnScreenOnly()
    {
        open();
        h->state->editStation([](StationConfig& c) { c.station.name = "Garden"; });
        QTRY_COMPARE(child<QLineEdit>("stationName")->text(), QString("Garden"));
        // A closed window does not redraw; it catches up when it comes back.
        view->hide();
        h->state->editStation([](StationConfig& c) { c.station.gain = "loud"; });
        QTest::qWait(50);
        QCOMPARE(child<QComboBox>("gainChoice")->currentText(), QString("Automatic"));
        view->show();
        QCOMPARE(child<QComboBox>("gainChoice")->currentText(), QString("Manual"));
        QCOMPARE(onDisk("station")["gain"].toString(), QString("loud")); // shown, not rewritten

        auto* apply = child<QPushButton>("applyToRunningFeed");
        QVERIFY(!apply->isEnabled());
        h->state->startFeeding(); // refused: the gain is no number
        QTRY_VERIFY(child("configError")->isVisible());
        QVERIFY(child<QLabel>("configError")->text().contains("loud"));
        h->state->editStation([](StationConfig& c) { c.station.gain = "auto"; });
        h->state->startFeeding();
        QTRY_VERIFY(apply->isEnabled());
    }

    void behaviourSwitchesAndDiagnostics()
    {
        open();
        QTest::mouseClick(child<QCheckBox>("launchAtLogin"), Qt::LeftButton);
        QVERIFY(h->settings->launchAtLogin());
        QVERIFY(QFile::exists(h->path("xdg/autostart/vireon-feeder.desktop")));
        QTest::mouseClick(child<QCheckBox>("preventSleep"), Qt::LeftButton);
        QVERIFY(h->settings->preventSleepWhileFeeding());
        auto* copy = child<QPushButton>("copyDiagnostics");
        QTest::mouseClick(copy, Qt::LeftButton);
        QVERIFY(QGuiApplication::clipboard()->text().startsWith("Vireon Feeder diagnostics"));
        QCOMPARE(copy->text(), QString("Copied"));
        h->clock.advance(std::chrono::seconds(2));
        QCOMPARE(copy->text(), QString("Copy Diagnostics"));
        // Stacked under "Apply to Running Feed", as the form lists them.
        QWidget* apply = child("applyToRunningFeed");
        QCOMPARE(copy->x(), apply->x());
        QVERIFY(copy->y() > apply->y());
    }

    void theWindowOpensWideEnoughForTheWholeForm()
    {
        h->writeConfig(withExtras({custom("club.example.org", 30004, "Club")}));
        h->launchApplication();
        int built = 0;
        WindowRouter router([](QWidget* window) { return new QWidget(window); },
                            [&](QWidget* window) {
                                ++built;
                                return new SettingsView(*h->state, window);
                            });
        router.showSettings();
        QWidget* window = router.settingsWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->windowTitle(), QString("Vireon Feeder Settings"));
        QVERIFY(window->windowFlags() & Qt::WindowMinimizeButtonHint);
        auto* scroll = window->findChild<QScrollArea*>();
        QVERIFY(!scroll->horizontalScrollBar()->isVisible());
        const auto buttons = scroll->widget()->findChildren<QAbstractButton*>();
        QVERIFY(buttons.size() > 8);
        for (QAbstractButton* button : buttons) {
            if (button->isVisibleTo(window)) {
                QVERIFY2(button->mapTo(scroll->viewport(), QPoint(button->width(), 0)).x() <=
                             scroll->viewport()->width(),
                         qPrintable(button->text()));
            }
        }
        // As tall as the form up to most of the screen, and the user may make it smaller or larger.
        const QRect screen = window->screen()->availableGeometry();
        QCOMPARE(window->height(), screen.height() * 4 / 5);
        QCOMPARE(window->minimumSize(), QSize(window->width(), 380));
        QVERIFY(window->maximumHeight() > window->height());

        // Moved, closed and asked for again: the same window, centred again.
        window->move(10, 10);
        window->close();
        router.showSettings();
        QVERIFY(router.settingsWindow() == window && built == 1 && window->isVisible());
        QVERIFY((window->geometry().center() - screen.center()).manhattanLength() <= 2);
    }

    void decoderWordsShowAsTheyAreNeverAsMarkup()
    {
        // Not the decoder's wording, but what a line from outside may hold.
        h->setScenario({QStringLiteral("stderr <b>Connection refused</b> &amp; gone: 127.0.0.1 port %1")
                            .arg(h->ingest.port()),
                        QStringLiteral("run")});
        open();
        h->state->startFeeding();
        auto* health = child<QLabel>("healthText");
        QTRY_VERIFY2(health->text().contains("<b>Connection refused</b>"), qPrintable(health->text()));
        // Every label with text in the form is plain text, but for the link built here from escaped
        // parts and the names the form gives its fields.
        for (QLabel* label : view->findChildren<QLabel*>()) {
            if (!label->text().isEmpty() && label->objectName() != "siteLink" && !label->buddy())
                QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->text()));
        }
        const QString tip = child("vireonHealth")->toolTip();
        QVERIFY(tip.contains("&lt;b&gt;Connection refused&lt;/b&gt; &amp;amp; gone"));
    }

    void tabWalksTheFormTopToBottom()
    {
        open();
        const QStringList expected{"stationName",    "latitude",      "longitude",    "stationKey",
                                   "gainChoice",     "launchAtLogin", "preventSleep", "feedVireon",
                                   "enabled",        "addCustom",     "openConfig",   "applyToRunningFeed",
                                   "copyDiagnostics"};
        QStringList walked;
        QWidget* first = child("stationName");
        for (QWidget* w = first; walked.size() < expected.size(); w = w->nextInFocusChain()) {
            if (expected.contains(w->objectName()) && !walked.contains(w->objectName()))
                walked.append(w->objectName());
            if (w->nextInFocusChain() == first)
                break;
        }
        QCOMPARE(walked, expected);
    }

    void showingConfigJsonCreatesItAndSaysWhenNothingCanShowIt()
    {
        open();
        auto* problem = child<QLabel>("revealProblem");
        fileManagerWorks = false;
        QTest::mouseClick(child<QPushButton>("openConfig"), Qt::LeftButton);
        QCOMPARE(revealed, QStringList{h->store->filePath()});
        QVERIFY(problem->isVisibleTo(view.get()));
        QCOMPARE(problem->text(), QString("No file manager could be opened."));
        fileManagerWorks = true;
        QTest::mouseClick(child<QPushButton>("openConfig"), Qt::LeftButton);
        QVERIFY(!problem->isVisibleTo(view.get()));
    }

    void aSaveThatFailsIsToldAboveTheFormAndTheFileKeepsItsContent()
    {
        open();
        const QString path = h->store->filePath();
        const QByteArray before = fileBytes(path);
        auto* note = child<QLabel>("configFileNote");
        QVERIFY(!note->isVisibleTo(view.get()));
        child("stationName")->setFocus();
        {
            vireon::test::FileSizeLimit full(16);
            QTest::keyClicks(child("stationName"), "!");
        }
        QTRY_VERIFY(note->isVisibleTo(view.get()));
        QCOMPARE(note->text(),
                 QString("Could not save config.json: File too large. The form keeps your change "
                         "and saves it with the next one; the file holds what it held."));
        QCOMPARE(child<QLineEdit>("stationName")->text(), QString("Rooftop!"));
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(QFileInfo(path).dir().entryList(QDir::Files | QDir::Hidden), QStringList{"config.json"});

        QTest::keyClicks(child("stationName"), "?");
        QTRY_VERIFY(!note->isVisibleTo(view.get()));
        QCOMPARE(onDisk("station")["name"].toString(), QString("Rooftop!?"));
    }

    void aLinkInPlaceOfConfigJsonIsReplacedAndSaidSo()
    {
        open();
        const QString path = h->store->filePath();
        const QString target = h->path("elsewhere.json");
        QVERIFY(QFile::rename(path, target) && QFile::link(target, path));
        const QByteArray theirs = fileBytes(target);
        child("stationName")->setFocus();
        QTest::keyClicks(child("stationName"), "!");
        auto* note = child<QLabel>("configFileNote");
        QTRY_VERIFY(note->isVisibleTo(view.get()));
        QCOMPARE(note->text(),
                 QString("config.json was a link to %1. It is now a file of its own; %1 was left "
                         "as it was.")
                     .arg(target));
        QCOMPARE(fileBytes(target), theirs);
        QVERIFY(!QFileInfo(path).isSymLink());
        QCOMPARE(onDisk("station")["name"].toString(), QString("Rooftop!"));
    }

    void aFreshInstallationGetsItsFileCreatedAndShown()
    {
        // Without a file manager on the bus the folder is opened, and whether that worked is told.
        QList<QUrl> opened;
        std::optional<bool> shown;
        FileManagerReveal::reveal(
            "/tmp/somewhere/config.json",
            [&](const QUrl& folder) {
                opened.append(folder);
                return false;
            },
            [&](bool answer) { shown = answer; });
        QTRY_COMPARE(opened, QList{QUrl::fromLocalFile("/tmp/somewhere")});
        QCOMPARE(shown, std::optional(false));

        QFile::remove(h->path("xdg/VireonFeeder/config.json"));
        h->launchApplication();
        FakeFileManager fileManager;
        SettingsView view(*h->state);
        QTest::mouseClick(view.findChild<QPushButton*>("openConfig"), Qt::LeftButton);
        QVERIFY(QFile::exists(h->store->filePath()));
        QTRY_COMPARE(fileManager.shown, QStringList{QUrl::fromLocalFile(h->store->filePath()).toString()});
    }

    // What each network row says is the table's; here that a row's controls write what they should.
    void aRowSwitchesKeysAndRemovesItsNetwork()
    {
        open(withExtras({custom("feed.example.net", 30004, "Club")}));
        NetworkRow* lol = row("adsb-lol");
        QVERIFY(!in(lol, "uuid")->isVisible());
        click(lol, "enabled");
        QCOMPARE(extrasOnDisk().size(), 2);
        QCOMPARE(extrasOnDisk()[1].toObject()["host"].toString(), QString("feed.adsb.lol"));
        QTRY_VERIFY(in(lol, "uuid")->isVisible());
        QVERIFY(in<QLabel>(lol, "uuidNote")->text().startsWith("Without a UUID"));
        click(lol, "generate");
        const QString generated = extrasOnDisk()[1].toObject()["uuid"].toString();
        QVERIFY(ReadsbCommand::isValidUuid(generated));
        QTRY_COMPARE(in<QLineEdit>(lol, "uuid")->text(), generated);
        QTRY_VERIFY(in(lol, "uuidNote")->isHidden());

        NetworkRow* club = row("custom-feed.example.net-30004");
        auto* uuid = in<QLineEdit>(club, "uuid");
        QTest::keyClicks(uuid, "bad_key");
        QCOMPARE(extrasOnDisk()[0].toObject()["uuid"].toString(), QString("bad_key"));
        QCOMPARE(uuid->text(), QString("bad_key")); // typing goes on in the same field
        QTRY_VERIFY(in<QLabel>(club, "uuidNote")->text().startsWith("Invalid UUID"));
        QCOMPARE(in<QLabel>(club, "endpoint")->text(), QString("feed.example.net:30004"));

        // Drawn as the destructive button it is: red where "Generate" beside it is not.
        const QColor danger = in(club, "remove")->palette().color(QPalette::ButtonText);
        QVERIFY(danger.red() > 2 * danger.green() && danger.red() > 2 * danger.blue());
        QVERIFY(in(club, "generate")->palette().color(QPalette::ButtonText) != danger);
        QVERIFY(!in(lol, "remove")->isVisible());
        click(club, "remove");
        QCOMPARE(extrasOnDisk().size(), 1);
        QTRY_COMPARE(section->rows().size(), 1); // the published document offers one preset
        QTRY_COMPARE(in<QLabel>(section, "enabledCount")->text(),
                     QString("1 network enabled besides Vireon"));
    }

    void aNameWithAnAmpersandIsShownAsWrittenAndGivesNoShortcut()
    {
        open(withExtras({custom("rnd.example.net", 30004, "R&D feed")}));
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
        open(withExtras({custom("localhost", 1, "Nobody listens")}));
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

    // The primary network offers MLAT: its line and the station's notes follow the altitude typed and
    // the two switches, which write config.json at once.
    void mlatSwitchesAndTheAltitude()
    {
        h->publishIngestPort(h->ingest.port(), "adsb.lol", 31090);
        open();
        auto* line = in<HealthBadge>(section, "vireonMlatLine");
        auto* notes = child<QLabel>("mlatReadiness");
        QCOMPARE(line->text(), QString("MLAT: needs your antenna's altitude"));
        QVERIFY(notes->isVisible());
        QVERIFY(notes->text().startsWith("MLAT needs your antenna's altitude"));

        type(view.get(), "altitude", "6000");
        QTest::keyClick(child("altitude"), Qt::Key_Return);
        QVERIFY(!onDisk("station").contains("alt"));
        QTRY_COMPARE(child<QLineEdit>("altitude")->text(), QString());
        type(view.get(), "altitude", "48.5");
        QTest::keyClick(child("altitude"), Qt::Key_Return);
        QCOMPARE(onDisk("station")["alt"].toDouble(), 48.5);
        QTRY_COMPARE(line->text(), QString("MLAT: off"));
        QTRY_VERIFY(notes->isHidden());

        QWidget* controls = in(section, "vireonMlat");
        click(controls, "mlatPrivacy");
        QCOMPARE(onDisk("vireon")["mlatPrivacy"].toBool(), true);
        click(controls, "mlat");
        QCOMPARE(onDisk("vireon")["mlat"].toBool(), false);
        QTRY_VERIFY(line->isHidden());
        QTRY_VERIFY(!in(controls, "mlatPrivacy")->isEnabled());
        QVERIFY(in<QCheckBox>(controls, "mlatPrivacy")->isChecked());
    }

    // What the entries may hold is the table's; here what the sheet shows of it, and when.
    void theSheetSaysWhatIsWrongAndReturnAddsOnlyAcceptableEntries()
    {
        open();
        CustomConnectorSheet* sheet = openSheet();
        auto* add = in<QPushButton>(sheet, "add");
        auto* problem = in<QLabel>(sheet, "problem");
        QVERIFY(!add->isEnabled() && problem->isHidden());
        type(sheet, "host", "Feed.Example.NET");
        type(sheet, "port", "0");
        QCOMPARE(problem->text(), QString("Port must be a number between 1 and 65535."));
        QVERIFY(!problem->isHidden());
        QTest::keyClick(in(sheet, "port"), Qt::Key_Return);
        QVERIFY(sheet->isVisible());
        type(sheet, "port", "+30004");
        // A valid key the chosen protocol would not send is said at once, and again when the protocol
        // changes under it.
        type(sheet, "uuid", "0123abcd-0000-4000-8000-000000000001");
        auto* keyWarning = in(sheet, "keyWarning");
        QVERIFY(keyWarning->isHidden());
        in<QComboBox>(sheet, "protocol")->setCurrentText("beast_out");
        QVERIFY(!keyWarning->isHidden());
        in<QComboBox>(sheet, "protocol")->setCurrentText("beast_reduce_plus_out");
        QVERIFY(keyWarning->isHidden());
        type(sheet, "uuid", "abc-1");
        QVERIFY(add->isEnabled() && problem->isHidden());
        QTest::keyClick(in(sheet, "uuid"), Qt::Key_Return);
        QTRY_VERIFY(!section->customSheet());

        QCOMPARE(h->store->config().extraConnectors,
                 (QList<StationConfig::ExtraConnector>{{"custom-feed.example.net-30004", "Feed.Example.NET",
                                                        true, "Feed.Example.NET", 30004,
                                                        "beast_reduce_plus_out", "abc-1"}}));
        QCOMPARE(extrasOnDisk().size(), 1);
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

QTEST_MAIN(TestSettingsView)
#include "TestSettingsView.moc"
