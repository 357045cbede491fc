#include "ui/onboarding/LocationPage.h"

#include "config/StationConfigStore.h"
#include "location/LocationProvider.h"
#include "ui/onboarding/OnboardingIcons.h"
#include "ui/onboarding/OnboardingStyle.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVariantAnimation>

namespace vireon {
namespace {
constexpr int iconSize = 14;
} // namespace

LocationPage::LocationPage(StationConfigStore& store, LocationProvider& location, QWidget* parent)
    : QWidget(parent), m_store(store), m_location(location)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(OnboardingStyle::headline(QStringLiteral("Where is your antenna?")));
    layout->addWidget(OnboardingStyle::secondary(
        QStringLiteral("The decoder needs your station position to compute aircraft distances. Vireon never "
                       "publishes your exact location \u2014 only a rounded position.")));

    auto* fields = new QHBoxLayout;
    fields->setSpacing(10);
    m_latitude = new QLineEdit;
    m_latitude->setObjectName(QStringLiteral("latitudeField"));
    m_latitude->setPlaceholderText(QStringLiteral("Latitude"));
    m_longitude = new QLineEdit;
    m_longitude->setObjectName(QStringLiteral("longitudeField"));
    m_longitude->setPlaceholderText(QStringLiteral("Longitude"));
    for (QLineEdit* field : {m_latitude, m_longitude}) {
        connect(field, &QLineEdit::textChanged, this, &LocationPage::inputChanged);
        fields->addWidget(field, 1);
    }
    layout->addLayout(fields);

    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    m_useMyLocation = new QPushButton;
    m_useMyLocation->setObjectName(QStringLiteral("useMyLocationButton"));
    connect(m_useMyLocation, &QPushButton::clicked, this, &LocationPage::useMyLocation);
    row->addWidget(m_useMyLocation, 0, Qt::AlignTop);
    m_error = OnboardingStyle::smallSecondary(QString());
    m_error->setObjectName(QStringLiteral("locationErrorLabel"));
    m_error->setForegroundRole(QPalette::WindowText);
    row->addWidget(m_error, 1, Qt::AlignVCenter);
    layout->addLayout(row);
    layout->addStretch(1);

    m_spin = new QVariantAnimation(this);
    m_spin->setStartValue(0);
    m_spin->setEndValue(360);
    m_spin->setDuration(900);
    m_spin->setLoopCount(-1);
    connect(m_spin, &QVariantAnimation::valueChanged, this, &LocationPage::showLocationState);

    showLocationState();
    // Room around the label, and the same width while it spins, so nothing beside it moves.
    m_useMyLocation->setMinimumWidth(m_useMyLocation->sizeHint().width() + 16);
}

LocationPage::~LocationPage() = default;

void LocationPage::prefill()
{
    const auto& station = m_store.config().station;
    if (const auto texts = OnboardingRules::prefill(station.lat, station.lon)) {
        m_latitude->setText(texts->first);
        m_longitude->setText(texts->second);
    }
}

std::optional<OnboardingRules::Position> LocationPage::parsedLocation() const
{
    return OnboardingRules::parsedLocation(m_latitude->text(), m_longitude->text());
}

void LocationPage::commitLocation()
{
    const auto position = parsedLocation();
    if (!position)
        return;
    StationConfig config = m_store.config();
    config.station.lat = position->latitude;
    config.station.lon = position->longitude;
    m_store.setConfig(config);
    (void)m_store.save(); // a failed save is the store's concern
}

void LocationPage::useMyLocation()
{
    m_fetchingLocation = true;
    m_locationError.reset();
    showLocationState();
    QPointer<LocationPage> self(this);
    m_location.requestOneShot([self](const LocationProvider::Result& result) {
        if (!self)
            return;
        if (const auto* coordinate = std::get_if<LocationCoordinate>(&result)) {
            // Not saved yet: "Continue" commits.
            self->m_latitude->setText(OnboardingRules::coordinateText(coordinate->latitude));
            self->m_longitude->setText(OnboardingRules::coordinateText(coordinate->longitude));
        } else {
            self->m_locationError = std::get<LocationError>(result).errorDescription();
        }
        self->m_fetchingLocation = false;
        self->showLocationState();
    });
}

void LocationPage::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        showLocationState();
}

void LocationPage::showLocationState()
{
    const qreal ratio = devicePixelRatioF();
    const QColor text = m_useMyLocation->palette().color(QPalette::ButtonText);
    if (m_fetchingLocation) {
        if (m_spin->state() != QAbstractAnimation::Running)
            m_spin->start();
        m_useMyLocation->setText(QString());
        m_useMyLocation->setIcon(
            OnboardingIcons::spinner(text, iconSize, ratio, m_spin->currentValue().toInt()));
        m_useMyLocation->setEnabled(false);
    } else {
        m_spin->stop();
        m_useMyLocation->setText(QStringLiteral("Use My Location"));
        m_useMyLocation->setIcon(OnboardingIcons::locationArrow(text, iconSize, ratio));
        m_useMyLocation->setEnabled(true);
    }
    m_useMyLocation->setIconSize(QSize(iconSize, iconSize));
    QPalette red = m_error->palette();
    red.setColor(QPalette::WindowText, OnboardingStyle::errorColor(palette()));
    m_error->setPalette(red);
    m_error->setText(m_locationError.value_or(QString()));
    m_error->setVisible(m_locationError.has_value());
}

} // namespace vireon
