#include "app/AppState.h"
#include "config/StationConfigStore.h"
#include "support/StationHarness.h"
#include "ui/networks/CustomConnectorSheet.h"
#include "ui/networks/OtherNetworksSection.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest>

using namespace vireon;
using vireon::test::StationHarness;

class TestCustomConnectorSheet : public QObject {
    Q_OBJECT
    std::unique_ptr<StationHarness> h;
    std::unique_ptr<QWidget> window;
    OtherNetworksSection* section = nullptr;

    CustomConnectorSheet* openSheet()
    {
        QTest::mouseClick(section->findChild<QPushButton*>("addCustom"), Qt::LeftButton);
        CustomConnectorSheet* sheet = section->customSheet();
        if (!sheet || !sheet->isVisible() || sheet->parentWidget() != window.get() ||
            sheet->windowModality() != Qt::WindowModal)
            qFatal("the sheet did not open over the window");
        return sheet;
    }
    static void type(CustomConnectorSheet* sheet, const char* field, const QString& text)
    {
        auto* edit = sheet->findChild<QLineEdit*>(field);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    static QString problem(CustomConnectorSheet* sheet)
    {
        auto* label = sheet->findChild<QLabel*>("problem");
        return label->isHidden() ? QString() : label->text();
    }

private Q_SLOTS:
    void init()
    {
        h = std::make_unique<StationHarness>();
        h->launchApplication();
        window = std::make_unique<QWidget>();
        section = new OtherNetworksSection(*h->state, window.get());
        (new QVBoxLayout(window.get()))->addWidget(section);
        window->show();
    }
    void cleanup()
    {
        window.reset();
        h.reset();
    }

    void messagesAppearInOrderAndReturnAddsOnlyAcceptableEntries()
    {
        CustomConnectorSheet* sheet = openSheet();
        auto* add = sheet->findChild<QPushButton*>("add");
        QVERIFY(!add->isEnabled());
        QCOMPARE(problem(sheet), QString());
        type(sheet, "host", "Feed.Example.NET");
        type(sheet, "port", "0");
        QCOMPARE(problem(sheet), QString("Port must be a number between 1 and 65535."));
        QTest::keyClick(sheet->findChild<QLineEdit*>("port"), Qt::Key_Return);
        QVERIFY(sheet->isVisible());
        type(sheet, "port", "+30004");
        type(sheet, "uuid", " abc-1");
        QCOMPARE(problem(sheet), QString("UUID may contain letters, digits and dashes only."));
        QVERIFY(!add->isEnabled());
        type(sheet, "uuid", "abc-1");
        QVERIFY(add->isEnabled());
        QTest::keyClick(sheet->findChild<QLineEdit*>("uuid"), Qt::Key_Return);
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
        CustomConnectorSheet* sheet = openSheet();
        type(sheet, "host", "club.example.org");
        QTest::keyClick(sheet, Qt::Key_Escape);
        QTRY_VERIFY(!section->customSheet());
        QVERIFY(h->store->config().extraConnectors.isEmpty());
        QCOMPARE(openSheet()->form(), CustomConnectorForm());
    }
};

QTEST_MAIN(TestCustomConnectorSheet)
#include "TestCustomConnectorSheet.moc"
