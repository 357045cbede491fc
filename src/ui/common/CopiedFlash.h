#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>

class QAbstractButton;

namespace vireon {

class TimeSource;
class Timer;

// "Copied" in place of a copy button's label for two seconds, so the click visibly did something
// although nothing else on screen changes. Clicked again meanwhile, the two seconds start afresh.
class CopiedFlash : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds shownFor{2};

    ~CopiedFlash() override;

    static void show(QAbstractButton* button, TimeSource& time);
    static QString text() { return QStringLiteral("Copied"); }

private:
    CopiedFlash(QAbstractButton* button, TimeSource& time);
    void restore();

    QAbstractButton* m_button;
    QString m_label;
    int m_minimumWidth;
    std::unique_ptr<Timer> m_timer;
};

} // namespace vireon
