#include "ui/settings/AdvancedSection.h"

#include "app/AppState.h"
#include "platform/FileManagerReveal.h"
#include "ui/common/NoteLabel.h"

#include <QDesktopServices>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace vireon {

AdvancedSection::AdvancedSection(AppState& state, QWidget* parent)
    : QGroupBox(QStringLiteral("Advanced"), parent), m_state(state),
      m_reveal([](const QString& path, std::function<void(bool)> done) {
          FileManagerReveal::reveal(
              path, [](const QUrl& folder) { return QDesktopServices::openUrl(folder); }, std::move(done));
      })
{
    m_open = new QPushButton(QStringLiteral("Show config.json in File Manager"), this);
    m_open->setObjectName(QStringLiteral("openConfig"));
    m_revealProblem = new NoteLabel(QStringLiteral("No file manager could be opened."), this);
    m_revealProblem->setObjectName(QStringLiteral("revealProblem"));
    m_revealProblem->setTone(Tone::error);
    m_revealProblem->hide();
    m_configError = new NoteLabel({}, this);
    m_configError->setObjectName(QStringLiteral("configError"));
    m_configError->setTone(Tone::error);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_open, 0, Qt::AlignLeft);
    layout->addWidget(m_revealProblem);
    layout->addWidget(m_configError);

    connect(m_open, &QPushButton::clicked, this, &AdvancedSection::openConfig);
}

void AdvancedSection::openConfig()
{
    // On a fresh installation there is no file to show yet; afterwards it holds what the form shows.
    m_state.saveStationConfig();
    m_revealProblem->hide();
    m_reveal(m_state.stationConfigPath(), [self = QPointer(this)](bool shown) {
        if (self)
            self->m_revealProblem->setVisible(!shown);
    });
}

void AdvancedSection::display(const std::optional<QString>& configError)
{
    m_configError->setText(configError.value_or(QString()));
    m_configError->setAccessibleName(configError.value_or(QString()));
    m_configError->setVisible(configError.has_value());
}

} // namespace vireon
