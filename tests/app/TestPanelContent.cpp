#include "app/PanelContent.h"

#include <QtTest>

using namespace vireon;
using Button = PanelContent::Button;
using Failure = SupervisorFailure;

Q_DECLARE_METATYPE(vireon::SupervisorState)
Q_DECLARE_METATYPE(std::optional<vireon::FeederConfig::Links>)
Q_DECLARE_METATYPE(QList<vireon::PanelContent::Button>)

namespace {

const QUrl kMap(QStringLiteral("https://map.vireon.network/"));
const QUrl kPage(QStringLiteral("https://vireon.network/feeder/abc"));

SupervisorState failed(Failure failure)
{
    return supervisor_state::Failed{failure};
}

} // namespace

class TestPanelContent : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rowsFollowTheSupervisor_data()
    {
        QTest::addColumn<SupervisorState>("supervisor");
        QTest::addColumn<bool>("feedingActive");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QList<Button>>("buttons");
        QTest::addColumn<QString>("startStop");

        const Button retry{PanelAction::retry, QStringLiteral("Retry")};
        QTest::newRow("stopped: no hint, start")
            << SupervisorState(supervisor_state::Stopped{}) << false << QString() << QList<Button>{}
            << QStringLiteral("Start Feeding");
        QTest::newRow("waiting for a restart still counts as feeding")
            << SupervisorState(supervisor_state::Backoff{QDateTime::currentDateTimeUtc(), 2}) << true
            << QString() << QList<Button>{} << QStringLiteral("Stop Feeding");
        QTest::newRow("no stick: plug it in, retry now")
            << failed(Failure::noDevice) << false
            << QStringLiteral("Plug in your RTL-SDR stick \u2014 feeding resumes automatically.")
            << QList<Button>{{PanelAction::retry, QStringLiteral("Retry Now")}}
            << QStringLiteral("Start Feeding");
        QTest::newRow("stick busy: quit the other program, retry")
            << failed(Failure::deviceBusy) << false
            << QStringLiteral(
                   "Another SDR app is holding the stick. Quit SDR++, CubicSDR or GQRX, then retry.")
            << QList<Button>{retry} << QStringLiteral("Start Feeding");
        QTest::newRow("crash loop: copy diagnostics first, then retry")
            << failed(Failure::crashLoop) << false
            << QStringLiteral("The decoder crashed repeatedly. Copy diagnostics and report the problem.")
            << QList<Button>{{PanelAction::copyDiagnostics, QStringLiteral("Copy Diagnostics")}, retry}
            << QStringLiteral("Start Feeding");
        QTest::newRow("decoder missing: nothing to retry")
            << failed(Failure::binaryMissing) << false
            << QStringLiteral(
                   "readsb is missing from the app bundle \u2014 this is a broken build. Re-download "
                   "Vireon Feeder.")
            << QList<Button>{} << QStringLiteral("Start Feeding");
    }

    void rowsFollowTheSupervisor()
    {
        QFETCH(SupervisorState, supervisor);
        QFETCH(bool, feedingActive);
        QFETCH(QString, hint);
        QFETCH(QList<Button>, buttons);
        QFETCH(QString, startStop);

        const PanelContent content = PanelContent::make(
            {StatusIcon::State::error, QStringLiteral("line"), supervisor, feedingActive, std::nullopt});
        QCOMPARE(content.hintText.value_or(QString()), hint);
        QCOMPARE(content.hintText.has_value(), !hint.isEmpty());
        QCOMPARE(content.hintButtons, buttons);
        QCOMPARE(content.startStopLabel, startStop);
    }

    void linksShowOnlyWhenPublished_data()
    {
        QTest::addColumn<std::optional<FeederConfig::Links>>("links");
        QTest::addColumn<bool>("liveMap");
        QTest::addColumn<bool>("feederPage");
        QTest::newRow("no links section") << std::optional<FeederConfig::Links>() << false << false;
        QTest::newRow("links without pages") << std::optional(FeederConfig::Links{}) << false << false;
        QTest::newRow("only the feeder page")
            << std::optional(FeederConfig::Links{std::nullopt, kPage, std::nullopt}) << false << true;
        QTest::newRow("both") << std::optional(FeederConfig::Links{kMap, kPage, std::nullopt}) << true
                              << true;
    }

    void linksShowOnlyWhenPublished()
    {
        QFETCH(std::optional<FeederConfig::Links>, links);
        QFETCH(bool, liveMap);
        QFETCH(bool, feederPage);
        const PanelContent content = PanelContent::make(
            {StatusIcon::State::idle, QString(), supervisor_state::Stopped{}, false, links});
        QCOMPARE(content.liveMap.has_value(), liveMap);
        QCOMPARE(content.feederPage.has_value(), feederPage);
    }

    void startStopAndLaunchDecisions_data()
    {
        QTest::addColumn<bool>("active");
        QTest::addColumn<bool>("onboarded");
        QTest::addColumn<bool>("desired");
        QTest::addColumn<StartStopOutcome>("button");
        QTest::addColumn<LaunchDecision>("launch");
        QTest::newRow("first run, feeding left on by an earlier install")
            << false << false << true << StartStopOutcome::showOnboarding << LaunchDecision::showOnboarding;
        QTest::newRow("onboarded, feeding wanted")
            << false << true << true << StartStopOutcome::startFeeding << LaunchDecision::startFeeding;
        QTest::newRow("onboarded, feeding not wanted")
            << false << true << false << StartStopOutcome::startFeeding << LaunchDecision::stayIdle;
        QTest::newRow("feeding stops whatever onboarding says")
            << true << false << true << StartStopOutcome::stopFeeding << LaunchDecision::showOnboarding;
    }

    void startStopAndLaunchDecisions()
    {
        QFETCH(bool, active);
        QFETCH(bool, onboarded);
        QFETCH(bool, desired);
        QFETCH(StartStopOutcome, button);
        QFETCH(LaunchDecision, launch);
        QCOMPARE(startStopOutcome(active, onboarded), button);
        QCOMPARE(launchDecision(onboarded, desired), launch);
    }
};

QTEST_GUILESS_MAIN(TestPanelContent)
#include "TestPanelContent.moc"
