#include "app/CustomConnectorForm.h"

#include <QtTest>

using namespace vireon;

Q_DECLARE_METATYPE(vireon::CustomConnectorForm)

namespace {
CustomConnectorForm entries(const QString& host, const QString& port = "30004", const QString& uuid = {},
                            const QString& label = {})
{
    CustomConnectorForm form;
    form.label = label;
    form.host = host;
    form.port = port;
    form.uuid = uuid;
    return form;
}
const QString sampleHost = "Host may contain letters, digits, dots and dashes only.";
const QString samplePort = "Port must be a number between 1 and 65535.";
const QString sampleUuid = "UUID may contain letters, digits and dashes only.";
} // namespace

class TestCustomConnectorForm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void problem_data()
    {
        QTest::addColumn<CustomConnectorForm>("form");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<bool>("canAdd");
        QTest::newRow("fresh: no message, but nothing to add") << CustomConnectorForm() << QString() << false;
        QTest::newRow("an empty host hides every other problem")
            << entries("", "0", " ") << QString() << false;
        QTest::newRow("underscore in the host") << entries("my_host", "0") << sampleHost << false;
        QTest::newRow("port 0") << entries("feed.example.net", "0") << samplePort << false;
        QTest::newRow("leading plus") << entries("feed.example.net", "+30004") << QString() << true;
        QTest::newRow("leading zeros") << entries("h", "0000000000000000000000030004") << QString() << true;
        QTest::newRow("leading blank") << entries("h", " 30004") << samplePort << false;
        QTest::newRow("decimal point") << entries("h", "30004.0") << samplePort << false;
        QTest::newRow("above range") << entries("h", "65536") << samplePort << false;
        QTest::newRow("negative") << entries("h", "-5") << samplePort << false;
        QTest::newRow("huge") << entries("h", "99999999999999999999999") << samplePort << false;
        QTest::newRow("port checked before uuid") << entries("h", "", "bad uuid") << samplePort << false;
        QTest::newRow("blanks-only uuid") << entries("h", "30004", "   ") << sampleUuid << false;
        QTest::newRow("blank-padded uuid") << entries("h", "30004", " abc-1 ") << sampleUuid << false;
        QTest::newRow("valid uuid") << entries("h", "65535", "abc-1") << QString() << true;
    }
    void problem()
    {
        QFETCH(CustomConnectorForm, form);
        QTEST(form.problem().value_or(QString()), "problem");
        QTEST(form.canAdd(), "canAdd");
        QCOMPARE(form.connector().has_value(), form.canAdd());
    }

    void theConnectorKeepsTheHostAsTypedAndTakesItAsLabelWhenUnnamed()
    {
        const auto made = entries("Feed.Example.NET", "+30004").connector();
        QVERIFY(made);
        QCOMPARE(made->id, QString("custom-feed.example.net-30004"));
        QCOMPARE(made->host, QString("Feed.Example.NET"));
        QCOMPARE(made->label, QString("Feed.Example.NET"));
        QCOMPARE(made->port, 30004);
        QVERIFY(made->enabled);
        QCOMPARE(made->uuid, std::nullopt);
    }

    void theSameHostAndPortReplaceTheFirstEntryInPlace()
    {
        StationConfig config;
        config.extraConnectors = {*entries("other").connector(), *entries("h", "1", {}, "First").connector(),
                                  *entries("H", "1", {}, "Twin").connector()};
        config = CustomConnectorForm::added(config, *entries("h", "+1", "k-1", "Renamed").connector());
        QCOMPARE(config.extraConnectors.size(), 3);
        QCOMPARE(config.extraConnectors[1].label, QString("Renamed"));
        QCOMPARE(config.extraConnectors[1].uuid, QString("k-1"));
        QCOMPARE(config.extraConnectors[2].label, QString("Twin"));
        config = CustomConnectorForm::added(config, *entries("h", "2").connector());
        QCOMPARE(config.extraConnectors.last().id, QString("custom-h-2"));
    }
};

QTEST_GUILESS_MAIN(TestCustomConnectorForm)
#include "TestCustomConnectorForm.moc"
