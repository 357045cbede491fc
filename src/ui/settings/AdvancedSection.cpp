#include "ui/settings/AdvancedSection.h"

#include "app/AppState.h"
#include "config/StationConfigStore.h"
#include "platform/FileManagerReveal.h"
#include "ui/settings/NoteLabel.h"
#include "ui/settings/StateWatch.h"

#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace vireon {

AdvancedSection::AdvancedSection(AppState& state, QWidget* parent)
    : QGroupBox(QStringLiteral("Advanced"), parent), m_state(state),
      m_reveal([](const QString& path, std::function<void(bool)> done) {
          FileManagerReveal::reveal(path, std::move(done));
      })
{
    m_open = new QPushButton(QStringLiteral("Show config.json in File Manager"), this);
    m_open->setObjectName(QStringLiteral("openConfig"));
    m_revealProblem = new NoteLabel(QStringLiteral("No file manager could be opened."), this);
    m_revealProblem->setObjectName(QStringLiteral("revealProblem"));
    m_revealProblem->setTone(NoteLabel::Tone::error);
    m_revealProblem->hide();
    m_configError = new NoteLabel({}, this);
    m_configError->setObjectName(QStringLiteral("configError"));
    m_configError->setTone(NoteLabel::Tone::error);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_open, 0, Qt::AlignLeft);
    layout->addWidget(m_revealProblem);
    layout->addWidget(m_configError);

    connect(m_open, &QPushButton::clicked, this, &AdvancedSection::openConfig);
    onStateChange(state, this, [this] { redraw(); });
    redraw();
}

void AdvancedSection::openConfig()
{
    // On a fresh installation there is no file to show yet; afterwards it holds what the form shows.
    m_state.configStore().save(); // a failing write is ignored: the file manager shows what there is
    m_revealProblem->hide();
    m_reveal(m_state.configStore().filePath(), [self = QPointer(this)](bool shown) {
        if (self)
            self->m_revealProblem->setVisible(!shown);
    });
}

void AdvancedSection::redraw()
{
    const std::optional<QString>& error = m_state.configError();
    m_configError->setText(error.value_or(QString()));
    m_configError->setAccessibleName(error.value_or(QString()));
    m_configError->setVisible(error.has_value());
}

} // namespace vireon
