// Runs on a private session bus (VIREON_TEST_NEEDS_DBUS) with a stand-in file manager.
#include "app/AppState.h"
#include "config/StationConfigStore.h"
#include "platform/FileManagerReveal.h"
#include "support/StationHarness.h"
#include "ui/settings/SettingsView.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QPushButton>
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

class TestSettingsReveal : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aFreshInstallationGetsItsFileCreatedAndShown()
    {
        StationHarness h;
        QFile::remove(h.path("xdg/VireonFeeder/config.json"));
        h.launchApplication();
        FakeFileManager fileManager;
        SettingsView view(*h.state);
        QTest::mouseClick(view.findChild<QPushButton*>("openConfig"), Qt::LeftButton);
        QVERIFY(QFile::exists(h.store->filePath()));
        QTRY_COMPARE(fileManager.shown, QStringList{QUrl::fromLocalFile(h.store->filePath()).toString()});
    }

    void withoutAFileManagerTheFolderOpens()
    {
        QList<QUrl> opened;
        FileManagerReveal::reveal("/tmp/somewhere/config.json",
                                  [&](const QUrl& folder) { opened.append(folder); });
        QTRY_COMPARE(opened, QList{QUrl::fromLocalFile("/tmp/somewhere")});
    }
};

QTEST_MAIN(TestSettingsReveal)
#include "TestSettingsReveal.moc"
