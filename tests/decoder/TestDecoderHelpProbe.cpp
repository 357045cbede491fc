#include "decoder/DecoderHelpProbe.h"
#include "support/ManualTimeSource.h"

#include <QtTest>

using namespace std::chrono_literals;
using namespace vireon;
using vireon::test::ManualTimeSource;

class TestDecoderHelpProbe : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString script(const QString& name, const QByteArray& body)
    {
        QFile file(m_dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write("#!/bin/sh\n" + body);
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return file.fileName();
    }

private Q_SLOTS:
    void answersFromTheHelpOncePerFileVersion()
    {
        ManualTimeSource clock;
        DecoderHelpProbe probe(clock);
        const QString decoder = script("decoder", "echo '  --gain=<db>  Set gain (default: auto)'\n");
        QList<bool> answers;
        probe.ask(decoder, [&](bool readsAuto) { answers.append(readsAuto); });
        probe.ask(decoder, [&](bool readsAuto) { answers.append(readsAuto); });
        QTRY_COMPARE(answers, (QList<bool>{true, true}));

        // The same file gives its answer at once; a replaced file is asked again.
        probe.ask(decoder, [&](bool readsAuto) { answers.append(readsAuto); });
        QCOMPARE(answers.size(), 3);
        QFile file(decoder);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(
            file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
        QCOMPARE(probe.known(decoder), std::nullopt);
    }

    void aDecoderThatDoesNotAnswerInTimeCountsAsNotReadingAuto()
    {
        ManualTimeSource clock;
        DecoderHelpProbe probe(clock);
        std::optional<bool> answer;
        probe.ask(script("silent", "exec sleep 30\n"), [&](bool readsAuto) { answer = readsAuto; });
        clock.advance(DecoderHelpProbe::bound - 1ms);
        QCoreApplication::processEvents();
        QVERIFY(!answer);
        clock.advance(1ms);
        QCOMPARE(answer, false);
    }
};

QTEST_GUILESS_MAIN(TestDecoderHelpProbe)
#include "TestDecoderHelpProbe.moc"
