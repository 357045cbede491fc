#include "ui/onboarding/LocationPage.h"

#include "app/AppState.h"
#include "location/LocationProvider.h"
#include "presentation/common/CoordinateInput.h"
#include "ui/common/NoteLabel.h"
#include "ui/onboarding/OnboardingIcons.h"
#include "ui/onboarding/OnboardingStyle.h"

#include <QEvent>
#include <QGridLayout>
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

LocationPage::LocationPage(AppState& state, LocationProvider& location, QWidget* parent)
    : QWidget(parent), m_state(state), m_location(location)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(OnboardingStyle::headline(QStringLiteral("Where is your antenna?")));
    layout->addWidget(OnboardingStyle::secondary(
        QStringLiteral("The decoder needs your station position to compute aircraft distances. Vireon never "
                       "publishes your exact location \u2014 only a rounded position.")));

    // Each field with what is wrong with it underneath; the unset position under both.
    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(10);
    fields->setVerticalSpacing(4);
    m_latitude = new QLineEdit;
    m_latitude->setObjectName(QStringLiteral("latitudeField"));
    m_latitude->setPlaceholderText(QStringLiteral("Latitude"));
    m_longitude = new QLineEdit;
    m_longitude->setObjectName(QStringLiteral("longitudeField"));
    m_longitude->setPlaceholderText(QStringLiteral("Longitude"));
    m_latitudeProblem = problemLabel(QStringLiteral("latitudeProblem"));
    m_longitudeProblem = problemLabel(QStringLiteral("longitudeProblem"));
    m_positionProblem = problemLabel(QStringLiteral("positionProblem"));
    // Optional: only MLAT needs it, and it can be given later in the settings.
    m_altitude = new QLineEdit;
    m_altitude->setObjectName(QStringLiteral("altitudeField"));
    m_altitude->setPlaceholderText(QStringLiteral("Altitude (m), optional"));
    m_altitude->setToolTip(QStringLiteral("The antenna's height above sea level, in metres. Networks need it "
                                          "to locate aircraft by multilateration (MLAT)."));
    m_altitudeProblem = problemLabel(QStringLiteral("altitudeProblem"));
    fields->addWidget(m_latitude, 0, 0);
    fields->addWidget(m_longitude, 0, 1);
    fields->addWidget(m_latitudeProblem, 1, 0, Qt::AlignTop);
    fields->addWidget(m_longitudeProblem, 1, 1, Qt::AlignTop);
    fields->addWidget(m_positionProblem, 2, 0, 1, 2);
    fields->addWidget(m_altitude, 3, 0);
    fields->addWidget(m_altitudeProblem, 4, 0, 1, 2);
    for (QLineEdit* field : {m_latitude, m_longitude, m_altitude}) {
        connect(field, &QLineEdit::textChanged, this, [this] {
            showPositionProblems(Reveal::onlyShown);
            Q_EMIT inputChanged();
        });
        connect(field, &QLineEdit::editingFinished, this, [this] { showPositionProblems(Reveal::all); });
        // The user has taken over from the location service: its complaint is old news.
        connect(field, &QLineEdit::textEdited, this, [this] {
            if (!m_locationError)
                return;
            m_locationError.reset();
            showLocationState();
        });
    }
    layout->addLayout(fields);

    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    m_useMyLocation = new QPushButton;
    m_useMyLocation->setObjectName(QStringLiteral("useMyLocationButton"));
    connect(m_useMyLocation, &QPushButton::clicked, this, &LocationPage::useMyLocation);
    row->addWidget(m_useMyLocation, 0, Qt::AlignLeft | Qt::AlignTop);
    m_error = problemLabel(QStringLiteral("locationErrorLabel"));
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

NoteLabel* LocationPage::problemLabel(const QString& objectName)
{
    auto* label = new NoteLabel;
    label->setObjectName(objectName);
    label->setTone(Tone::error);
    label->hide();
    return label;
}

void LocationPage::showPositionProblems(Reveal reveal)
{
    // While typing, a complaint already shown follows the text (and goes once the text is right),
    // but a new one waits until the user leaves the field: "-" is no latitude yet.
    const LocationInput::Problems problems =
        LocationInput::problems(m_latitude->text(), m_longitude->text(), m_altitude->text());
    const auto show = [reveal](NoteLabel* label, const std::optional<QString>& problem) {
        if (!problem) {
            label->hide();
            return;
        }
        label->setText(*problem);
        if (reveal == Reveal::all)
            label->show();
    };
    show(m_latitudeProblem, problems.latitude);
    show(m_longitudeProblem, problems.longitude);
    show(m_positionProblem, problems.position);
    show(m_altitudeProblem, problems.altitude);
}

void LocationPage::prefill()
{
    const auto& station = m_state.stationConfig().station;
    if (const auto texts = LocationInput::prefill(station.lat, station.lon)) {
        m_latitude->setText(texts->first);
        m_longitude->setText(texts->second);
    }
    if (station.alt)
        m_altitude->setText(LocationInput::altitudePrefill(station.alt));
    showPositionProblems(Reveal::onlyShown);
}

std::optional<LocationInput::Position> LocationPage::parsedLocation() const
{
    return LocationInput::parsed(m_latitude->text(), m_longitude->text(), m_altitude->text());
}

void LocationPage::commitLocation()
{
    const auto position = parsedLocation();
    if (!position)
        return;
    // Stored exactly as parsed: the fields may hold more digits than the prefill writes.
    m_state.editStation([&position](StationConfig& c) {
        c.station.lat = position->latitude;
        c.station.lon = position->longitude;
        c.station.alt = position->altitude;
    });
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
            self->m_latitude->setText(CoordinateInput::sixDecimals(coordinate->latitude));
            self->m_longitude->setText(CoordinateInput::sixDecimals(coordinate->longitude));
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
    m_error->setText(m_locationError.value_or(QString()));
    m_error->setVisible(m_locationError.has_value());
}

} // namespace vireon
