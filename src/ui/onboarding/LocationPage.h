#pragma once

#include "presentation/onboarding/LocationInput.h"

#include <QWidget>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QVariantAnimation;

namespace vireon {

class LocationProvider;
class NoteLabel;
class AppState;

// Step 2: the station's position, typed or asked of the location service. Typing changes only the
// fields; the position is stored by commitLocation() when the user continues.
class LocationPage : public QWidget {
    Q_OBJECT
public:
    LocationPage(AppState& state, LocationProvider& location, QWidget* parent = nullptr);
    ~LocationPage() override;

    // Each time the page comes on screen: a stored position replaces whatever the fields hold.
    void prefill();
    std::optional<LocationInput::Position> parsedLocation() const;
    void commitLocation();

    bool fetchingLocation() const { return m_fetchingLocation; }
    const std::optional<QString>& locationError() const { return m_locationError; }

Q_SIGNALS:
    void inputChanged();

protected:
    void changeEvent(QEvent* event) override;

private:
    enum class Reveal { onlyShown, all };

    static NoteLabel* problemLabel(const QString& objectName);
    void useMyLocation();
    void showLocationState();
    void showPositionProblems(Reveal reveal);

    AppState& m_state;
    LocationProvider& m_location;
    QLineEdit* m_latitude = nullptr;
    QLineEdit* m_longitude = nullptr;
    QLineEdit* m_altitude = nullptr;
    QPushButton* m_useMyLocation = nullptr;
    NoteLabel* m_error = nullptr;
    NoteLabel* m_latitudeProblem = nullptr;
    NoteLabel* m_longitudeProblem = nullptr;
    NoteLabel* m_positionProblem = nullptr;
    NoteLabel* m_altitudeProblem = nullptr;
    QVariantAnimation* m_spin = nullptr;
    std::optional<QString> m_locationError;
    bool m_fetchingLocation = false;
};

} // namespace vireon
