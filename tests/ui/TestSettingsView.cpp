// Runs on a private session bus (VIREON_TEST_NEEDS_DBUS) with a stand-in file manager.
#include "app/AppSettings.h"
#include "app/AppState.h"
#include "config/StationConfigStore.h"
#include "platform/FileManagerReveal.h"
#include "support/StationHarness.h"
#include "ui/settings/SettingsView.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
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

    template <typename T>
    T* child(const char* name) const
    {
        T* found = view->findChild<T*>(name);
        if (!found)
            qFatal("no control named %s", name);
        return found;
    }
    QJsonObject onDisk(const char* section) const
    {
        QFile file(h->store->filePath());
        file.open(QIODevice::ReadOnly);
        return QJsonDocument::fromJson(file.readAll()).object().value(section).toObject();
    }
    void open()
    {
        h->launchApplication();
        view = std::make_unique<SettingsView>(*h->state);
        view->setRevealer([](const QString&) { QFAIL("nothing opens a file manager in this test"); });
        view->show();
    }
    static void finishEditing(QLineEdit* field)
    {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(field, &out);
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
        QCOMPARE(choice->currentText(), QString("Automatic"));
        QVERIFY(slider->isHidden());
        QTest::keyClick(choice, Qt::Key_Down);
        QCOMPARE(onDisk("station")["gain"].toString(), QString("43.9"));
        QVERIFY(slider->isVisible());
        QCOMPARE(slider->value(), 439);
        QCOMPARE(child<QLabel>("gainLabel")->text(), QString("Gain 43.9 dB"));
        QTest::keyClick(slider, Qt::Key_End);
        QCOMPARE(onDisk("station")["gain"].toString(), QString("49.6"));
        QTest::keyClick(slider, Qt::Key_Home);
        QCOMPARE(onDisk("station")["gain"].toString(), QString("0.0"));
        QTest::keyClick(choice, Qt::Key_Up);
        QCOMPARE(onDisk("station")["gain"].toString(), QString("auto"));
        QVERIFY(slider->isHidden());
    }

    void coordinatesAreTakenWhenEditingEndsAndOnlyWhenEdited_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shownBefore");
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("shownAfter");
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("out of range, stored unchanged") << us << "123"
                                                        << "52.520008" << 123.0 << "123";
        QTest::newRow("unreadable: the stored value comes back") << us << "north"
                                                                 << "52.520008" << 52.520008 << "52.520008";
        QTest::newRow("decimal comma") << QLocale(QLocale::German) << "48,25"
                                       << "52,520008" << 48.25 << "48,25";
    }
    void coordinatesAreTakenWhenEditingEndsAndOnlyWhenEdited()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, typed);
        QFETCH(double, stored);
        QLocale::setDefault(locale);
        open();
        auto* latitude = child<QLineEdit>("latitude");
        QTEST(latitude->text(), "shownBefore");
        latitude->selectAll();
        QTest::keyClicks(latitude, typed);
        QTest::keyClick(latitude, Qt::Key_Return);
        QCOMPARE(onDisk("station")["lat"].toDouble(), stored);
        QVERIFY(onDisk("station")["lat"].isDouble());
        QTEST(latitude->text(), "shownAfter");
    }

    void leavingAnUneditedFieldKeepsAPrecisePosition()
    {
        QJsonObject config = StationHarness::defaultConfig();
        config["station"] =
            QJsonObject{{"name", "Roof"}, {"lat", 52.12345678}, {"lon", 13.5}, {"gain", "auto"}};
        h->writeConfig(config);
        open();
        finishEditing(child<QLineEdit>("latitude"));
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
        QVERIFY(warning->isVisibleTo(key->window()));
        QVERIFY(warning->text().startsWith("This key is not sent: "));
        key->setCursorPosition(2);
        QTest::keyClick(key, Qt::Key_X);
        QCOMPARE(key->text(), QString("abx-12"));
        QCOMPARE(key->cursorPosition(), 3);
        key->selectAll();
        QTest::keyClick(key, Qt::Key_Delete);
        QVERIFY(!onDisk("vireon").contains("uuid"));
        QVERIFY(!warning->isVisibleTo(key->window()));
    }

    void applyIsEnabledOnlyWhileTheDecoderRuns()
    {
        open();
        auto* apply = child<QPushButton>("applyToRunningFeed");
        QVERIFY(!apply->isEnabled());
        h->state->startFeeding();
        QTRY_VERIFY(apply->isEnabled());
        h->state->stopFeeding();
        QTRY_VERIFY(!apply->isEnabled());
    }

    void theFormFollowsChangesMadeElsewhereAndShowsTheConfigError()
    {
        open();
        h->store->setStationName("Garden");
        QCOMPARE(child<QLineEdit>("stationName")->text(), QString("Garden"));
        h->store->setStationGain("loud");
        QCOMPARE(child<QComboBox>("gainChoice")->currentText(), QString("Manual"));
        QCOMPARE(child<QSlider>("gainSlider")->value(), 439);
        QCOMPARE(onDisk("station")["gain"].toString(), QString("loud")); // shown, not rewritten
        QVERIFY(child<QLabel>("configError")->isHidden());
        h->state->startFeeding();
        QTRY_VERIFY(child<QLabel>("configError")->isVisible());
        QVERIFY(child<QLabel>("configError")->text().contains("loud"));
    }

    void behaviourSwitchesAndDiagnostics()
    {
        open();
        QTest::mouseClick(child<QCheckBox>("launchAtLogin"), Qt::LeftButton);
        QVERIFY(h->settings->launchAtLogin());
        QVERIFY(QFile::exists(h->path("xdg/autostart/vireon-feeder.desktop")));
        QTest::mouseClick(child<QCheckBox>("preventSleep"), Qt::LeftButton);
        QVERIFY(h->settings->preventSleepWhileFeeding());
        QTest::mouseClick(child<QPushButton>("copyDiagnostics"), Qt::LeftButton);
        QVERIFY(QGuiApplication::clipboard()->text().startsWith("Vireon Feeder diagnostics"));
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

    void aFreshInstallationGetsItsFileCreatedAndShown()
    {
        QFile::remove(h->path("xdg/VireonFeeder/config.json"));
        h->launchApplication();
        FakeFileManager fileManager;
        SettingsView view(*h->state);
        QTest::mouseClick(view.findChild<QPushButton*>("openConfig"), Qt::LeftButton);
        QVERIFY(QFile::exists(h->store->filePath()));
        QTRY_COMPARE(fileManager.shown, QStringList{QUrl::fromLocalFile(h->store->filePath()).toString()});
    }

    void withoutAFileManagerTheFolderOpens()
    {
        QList<QUrl> opened;
        FileManagerReveal::reveal("/tmp/somewhere/config.json",
                                  [&](const QUrl& folder) { opened.append(folder); });
        QTRY_COMPARE(opened, QList{QUrl::fromLocalFile("/tmp/somewhere")});
    }
};

QTEST_MAIN(TestSettingsView)
#include "TestSettingsView.moc"
