#include "ui/onboarding/DevicePage.h"

#include "ui/onboarding/OnboardingIcons.h"
#include "ui/onboarding/OnboardingStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace vireon {
namespace {

constexpr int iconSize = 20;

// An icon beside a title with a dimmed line under it.
QWidget* item(const QPixmap& icon, const QString& title, QLabel* detail, const QString& objectName)
{
    auto* row = new QWidget;
    row->setObjectName(objectName);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    auto* image = new QLabel;
    image->setPixmap(icon);
    image->setFixedSize(iconSize, iconSize);
    layout->addWidget(image, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* titleLabel = new QLabel(title);
    titleLabel->setTextFormat(Qt::PlainText); // a stick's name is whatever its maker wrote
    titleLabel->setWordWrap(true);
    texts->addWidget(titleLabel);
    texts->addWidget(detail);
    layout->addLayout(texts, 1);
    return row;
}

} // namespace

DevicePage::DevicePage(const AppState& state, QWidget* parent) : QWidget(parent), m_state(state)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(OnboardingStyle::headline(QStringLiteral("Plug in your RTL-SDR stick")));
    layout->addWidget(OnboardingStyle::secondary(
        QStringLiteral("Vireon Feeder works with RTL2832U-based receivers, like the AirNav FlightStick or "
                       "RTL-SDR Blog v3/v4.")));

    m_display = new QWidget;
    m_display->setObjectName(QStringLiteral("deviceDisplay"));
    m_displayLayout = new QVBoxLayout(m_display);
    m_displayLayout->setContentsMargins(0, 4, 0, 4);
    m_displayLayout->setSpacing(10);
    layout->addWidget(m_display);

    auto* rescan = OnboardingStyle::button(QStringLiteral("Rescan"), QStringLiteral("rescanButton"));
    connect(rescan, &QPushButton::clicked, this, &DevicePage::probe);
    layout->addWidget(rescan, 0, Qt::AlignLeft);
    layout->addStretch(1);

    showDevices();
}

void DevicePage::probe()
{
    m_model = DevicePageModel::probe(m_state);
    showDevices();
    Q_EMIT devicesChanged();
}

void DevicePage::showDevices()
{
    while (QLayoutItem* old = m_displayLayout->takeAt(0)) {
        delete old->widget();
        delete old;
    }
    const qreal ratio = devicePixelRatioF();
    switch (m_model.display) {
    case DevicePageModel::Display::looking: {
        auto* row = new QWidget;
        row->setObjectName(QStringLiteral("lookingForDevices"));
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        auto* busy = new QProgressBar;
        busy->setRange(0, 0);
        busy->setTextVisible(false);
        busy->setFixedSize(80, 8);
        rowLayout->addWidget(busy);
        auto* looking = new QLabel(QStringLiteral("Looking for devices\u2026"));
        looking->setTextFormat(Qt::PlainText);
        rowLayout->addWidget(looking, 1);
        m_displayLayout->addWidget(row);
        break;
    }
    case DevicePageModel::Display::noDevice:
        // "Mac" in the original text would be false on Linux.
        m_displayLayout->addWidget(item(
            OnboardingIcons::warningTriangle(iconSize, ratio), QStringLiteral("No RTL-SDR device found."),
            OnboardingStyle::secondary(QStringLiteral(
                "Plug the stick directly into the computer (avoid unpowered hubs) and press Rescan. If "
                "another SDR app is running \u2014 SDR++, CubicSDR, GQRX \u2014 quit it first.")),
            QStringLiteral("noDeviceWarning")));
        break;
    case DevicePageModel::Display::devices:
        for (const DevicePageModel::Device& device : std::as_const(m_model.devices)) {
            m_displayLayout->addWidget(item(OnboardingIcons::checkMark(iconSize, ratio), device.name,
                                            OnboardingStyle::smallSecondary(device.identifiers),
                                            QStringLiteral("device")));
        }
        break;
    }
}

} // namespace vireon
