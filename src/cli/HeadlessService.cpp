#include "cli/HeadlessService.h"

#include "cli/HeadlessFeeder.h"
#include "cli/InstanceAnswers.h"
#include "platform/QuitSignals.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <cstdio>

namespace vireon {

HeadlessService::HeadlessService()
    : m_quitSignals(std::make_unique<QuitSignals>()), m_instance(std::make_unique<SingleInstance>())
{
    connect(m_quitSignals.get(), &QuitSignals::received, this, [] { QCoreApplication::quit(); });
    // Asking with hello, not show: a tray application that runs keeps its panel shut.
    connect(m_instance.get(), &SingleInstance::handedOver, this, [](const QByteArray& answer) {
        std::fprintf(stderr, "vireon-feeder: %s Two copies cannot feed at once.\n",
                     qPrintable(InstanceAnswers::whoRuns(answer)));
        // Queued, so it counts even if the event loop has not started yet.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { QCoreApplication::exit(alreadyRunning); },
            Qt::QueuedConnection);
    });
    connect(m_instance.get(), &SingleInstance::primary, this, [this] {
        m_feeder = std::make_unique<HeadlessFeeder>();
        m_instance->setResponder(InstanceAnswers::responder(m_feeder->state(), QStringLiteral("headless")));
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, m_feeder.get(),
                &HeadlessFeeder::shutdown);
        m_feeder->start();
    });
}

HeadlessService::~HeadlessService() = default;

void HeadlessService::start()
{
    m_instance->claim(SingleInstance::Request::hello);
}

} // namespace vireon
