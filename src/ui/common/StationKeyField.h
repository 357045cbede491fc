#pragma once

#include <QLineEdit>

namespace vireon {

// The station key as the user types or pastes it, in onboarding and in the settings alike. What is
// typed is normalised at once (a pasted connector line becomes its key, blanks at the ends go) with
// the cursor kept on the character it was on, and handed on as the key to store.
class StationKeyField : public QLineEdit {
    Q_OBJECT
public:
    explicit StationKeyField(QWidget* parent = nullptr);

    // Shows the stored key. The field already shows it while the user types, so then nothing moves.
    void showKey(const QString& key);

Q_SIGNALS:
    // The normalised key after an edit by the user; empty when nothing is left of it.
    void keyEdited(const QString& key);

private:
    void normalise(const QString& typed);
};

} // namespace vireon
