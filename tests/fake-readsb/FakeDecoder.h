#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QTimer>
#include <optional>

class Outbound;

// The stand-in decoder: understands the real decoder's options (others are ignored), writes its
// wording on standard error and plays a scenario. See main.cpp for the scenario language.
class FakeDecoder : public QObject {
    Q_OBJECT
public:
    explicit FakeDecoder(const QStringList& argv, QObject* parent = nullptr);

    // Loads the scenario; false (after saying why on standard error) when it cannot be used.
    bool loadScenario(const QString& path);
    void begin();
    void onSigterm();

private:
    struct Connector {
        QString host;
        quint16 port = 0;
        QString protocol;
        std::optional<QString> uuid;
    };
    struct JsonFigures {
        int aircraft = 0;
        qint64 messages = 0;
        double window = 60;
    };

    void parseOptions();
    void runSteps();
    bool runStep(const QString& command, const QString& argument);
    void connectAll();
    void writeJson();
    void checkStick();
    [[noreturn]] void exitNow(int status);
    QString uptime() const;

    QStringList m_argv;
    QStringList m_steps;
    qsizetype m_next = 0;
    QList<Connector> m_connectors;
    QList<Outbound*> m_outbound;
    std::optional<quint16> m_beastPort;
    QString m_jsonDir;
    QString m_lat;
    QString m_lon;
    std::optional<JsonFigures> m_figures;
    QString m_stickPath;
    int m_retryMs = 200;
    QElapsedTimer m_started;
    std::optional<QElapsedTimer> m_ignoreSigterm;
    qint64 m_ignoreSigtermMs = 0;
    QTcpServer m_beastServer;
    QTimer m_jsonTimer;
    QTimer m_stickTimer;
    QTimer m_waitTimer;
};
