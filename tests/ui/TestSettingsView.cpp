// Runs on a private session bus (VIREON_TEST_NEEDS_DBUS) with a stand-in file manager.
#include "app/AppSettings.h"
#include "app/AppState.h"
#include "config/StationConfigStore.h"
#include "platform/FileManagerReveal.h"
#include "support/StationHarness.h"
#include "ui/WindowRouter.h"
#include "ui/settings/SettingsView.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
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

} // namespace

class TestSettingsView : public QObject {
    Q_OBJECT
    std::unique_ptr<StationHarness> h;
    std::unique_ptr<SettingsView> view;
    QStringList revealed;
    bool fileManagerWorks = true;

    template <typename T>
    T* child(const char* name) const
    {
        T* found = view->findChild<T*>(name);
        if (!found)
            qFatal("no control named %s", name);
        return found;
    }
    QByteArray fileBytes() const
    {
        QFile file(h->store->filePath());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }
    QJsonObject onDisk(const char* section) const
    {
        return QJsonDocument::fromJson(fileBytes()).object().value(section).toObject();
    }
    void writeStation(const QJsonObject& station, const QJsonArray& extras = {})
    {
        QJsonObject config = StationHarness::defaultConfig();
        config["station"] = station;
        config["extraConnectors"] = extras;
        h->writeConfig(config);
    }
    // A wheel turn down over the middle of a control, as the mouse would send it.
    static void turnWheelOver(QWidget* control)
    {
        const QPoint middle = control->rect().center();
        QWheelEvent turn(middle, control->mapToGlobal(middle), QPoint(), QPoint(0, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(control, &turn);
    }
    void open()
    {
        h->launchApplication();
        view = std::make_unique<SettingsView>(*h->state);
        view->setRevealer([this](const QString& path, std::function<void(bool)> done) {
            revealed.append(path);
            done(fileManagerWorks);
        });
        view->show();
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

    void aWheelTurnOverTheGainScrollsTheFormAndChangesNothing()
    {
        writeStation({{"name", "Roof"}, {"lat", 52.5}, {"lon", 13.4}, {"gain", "38.6"}});
        open();
        view->resize(view->sizeHint().width(), 300); // the form is taller than its window
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QScrollBar* scroll = view->findChild<QScrollArea*>()->verticalScrollBar();
        auto* choice = child<QComboBox>("gainChoice");
        auto* slider = child<QSlider>("gainSlider");
        child<QLineEdit>("stationName")->setFocus();
        const QByteArray before = fileBytes();

        for (QWidget* control : {static_cast<QWidget*>(choice), static_cast<QWidget*>(slider)}) {
            const int scrolled = scroll->value();
            turnWheelOver(control);
            QVERIFY2(scroll->value() > scrolled, qPrintable(control->objectName()));
        }
        QCOMPARE(fileBytes(), before);
        QCOMPARE(slider->value(), 386);

        // Once the user has chosen the control, the wheel is theirs to use on it.
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        slider->setFocus();
        turnWheelOver(slider);
        QVERIFY(onDisk("station")["gain"].toString() != "38.6");
    }

    void coordinatesAreTakenWhenEditingEndsAndOnlyWhenEdited_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("shownAfter");
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("out of range, stored unchanged") << us << "123" << 123.0 << "123";
        QTest::newRow("unreadable: the stored value comes back") << us << "north" << 52.520008 << "52.520008";
        QTest::newRow("decimal comma") << de << "48,25" << 48.25 << "48,25";
        QTest::newRow("a group separator is refused, not read as thousands")
            << de << "13.405" << 52.520008 << "52,520008";
    }
    void coordinatesAreTakenWhenEditingEndsAndOnlyWhenEdited()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, typed);
        QLocale::setDefault(locale);
        open();
        auto* latitude = child<QLineEdit>("latitude");
        latitude->selectAll();
        QTest::keyClicks(latitude, typed);
        QTest::keyClick(latitude, Qt::Key_Return);
        QFETCH(QString, shownAfter);
        QTEST(onDisk("station")["lat"].toDouble(), "stored");
        QVERIFY(onDisk("station")["lat"].isDouble());
        QTRY_COMPARE(latitude->text(), shownAfter);
    }

    void leavingAnUneditedFieldKeepsAPrecisePosition()
    {
        writeStation({{"name", "Roof"}, {"lat", 52.12345678}, {"lon", 13.5}, {"gain", "auto"}});
        open();
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(child<QLineEdit>("latitude"), &out);
        child<QLineEdit>("stationName")->setFocus();
        QTest::keyClicks(child<QLineEdit>("stationName"), "!");
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
        QTRY_VERIFY(child<QLabel>("configError")->isVisible());
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
        auto* apply = child<QPushButton>("applyToRunningFeed");
        QCOMPARE(copy->x(), apply->x());
        QVERIFY(copy->y() > apply->y());
    }

    void theWindowOpensWideEnoughForTheWholeForm()
    {
        writeStation({{"name", "Roof"}, {"lat", 52.5}, {"lon", 13.4}, {"gain", "auto"}},
                     {QJsonObject{{"id", "custom-club.example.org-30004"},
                                  {"label", "Club"},
                                  {"enabled", true},
                                  {"host", "club.example.org"},
                                  {"port", 30004},
                                  {"protocol", "beast_reduce_plus_out"}}});
        h->launchApplication();
        WindowRouter router([](QWidget* window) { return new QWidget(window); },
                            [this](QWidget* window) { return new SettingsView(*h->state, window); });
        router.showSettings();
        QWidget* window = router.settingsWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
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
        const QString tip = child<QWidget>("vireonHealth")->toolTip();
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
        QWidget* first = child<QWidget>("stationName");
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
};

QTEST_MAIN(TestSettingsView)
#include "TestSettingsView.moc"
