#include "platform/SingleInstance.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <future>
#include <sys/stat.h>

using namespace std::chrono_literals;
using vireon::SingleInstance;
using Request = SingleInstance::Request;

namespace {

QString modeOf(const QString& path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? QString::number(info.st_mode & 0777, 8)
                                                                    : QString();
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void socketDirectoryMustBeOursAlone_data()
    {
        QTest::addColumn<QString>("prepare");
        QTest::addColumn<bool>("asAnotherUser");
        QTest::addColumn<QString>("problem"); // empty: the directory is used
        QTest::newRow("missing: made, for us alone") << "" << false << "";
        QTest::newRow("ours, closed to others: used") << "dir 700" << false << "";
        QTest::newRow("ours but open to others: refused")
            << "dir 755" << false << "is open to other users (mode 755)";
        QTest::newRow("another user's: refused") << "dir 700" << true << "belongs to another user";
        QTest::newRow("a link to a directory of ours: refused") << "link" << false << "is a symbolic link";
        QTest::newRow("a file: refused") << "file" << false << "is not a directory";
    }
    void socketDirectoryMustBeOursAlone()
    {
        QFETCH(QString, prepare);
        QFETCH(bool, asAnotherUser);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("vireon-feeder-1000"));
        if (prepare.startsWith(u"dir")) {
            QVERIFY(QDir().mkdir(path));
            QVERIFY(::chmod(QFile::encodeName(path).constData(), prepare.mid(4).toUInt(nullptr, 8)) == 0);
        } else if (prepare == u"link") {
            QVERIFY(QDir().mkdir(dir.filePath(QStringLiteral("elsewhere"))));
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("elsewhere")), path));
        } else if (prepare == u"file") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }

        const auto found = SingleInstance::ensurePrivateDirectory(path, ::getuid() + (asAnotherUser ? 1 : 0));
        if (problem.isEmpty()) {
            QCOMPARE(found, std::nullopt);
            QCOMPARE(modeOf(path), QStringLiteral("700"));
        } else {
            QVERIFY(found);
            QVERIFY2(found->startsWith(path) && found->contains(problem), qPrintable(*found));
        }
    }

    void runtimeDirectoryOpenToOthersIsPassedOver()
    {
        QTemporaryDir runtime;
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        const SingleInstance::Place private_ = SingleInstance::defaultPlace();
        QVERIFY(::chmod(QFile::encodeName(runtime.path()).constData(), 0777) == 0);
        const SingleInstance::Place open = SingleInstance::defaultPlace();
        qputenv("XDG_RUNTIME_DIR", saved);

        QCOMPARE(private_.socketPath, runtime.filePath(QStringLiteral("vireon-feeder.socket")));
        QVERIFY(!open.socketPath.isEmpty());
        QVERIFY2(!open.socketPath.startsWith(runtime.path()), qPrintable(open.socketPath));
    }

    void laterLaunchesGetTheRunningInstancesAnswer()
    {
        QTemporaryDir dir;
        const SingleInstance::Place place{dir.filePath(QStringLiteral("s")), {}};
        SingleInstance running(place);
        QList<Request> asked;
        running.setResponder([&asked](Request request) {
            asked.append(request);
            return SingleInstance::requestName(request) + " answered";
        });
        QSignalSpy primary(&running, &SingleInstance::primary);
        running.claim();
        QCOMPARE(primary.size(), 1);
        QVERIFY(running.isListening());

        SingleInstance second(place);
        QSignalSpy handedOver(&second, &SingleInstance::handedOver);
        second.claim(Request::hello);
        QTRY_COMPARE(handedOver.size(), 1);
        QCOMPARE(handedOver.at(0).at(0).toByteArray(), QByteArray("hello answered"));
        QVERIFY(!second.isListening());

        // A command-line client waits for its answer, bounded, in a process of its own (a thread
        // here), while the running instance answers from its event loop.
        auto status = std::async(std::launch::async,
                                 [&place] { return SingleInstance::ask(place, Request::status, 5s); });
        QTRY_VERIFY(status.wait_for(0s) == std::future_status::ready);
        const SingleInstance::Answer answer = status.get();
        QCOMPARE(answer.outcome, SingleInstance::Answer::Outcome::answered);
        QCOMPARE(answer.text, QByteArray("status answered"));
        QCOMPARE(asked, (QList<Request>{Request::hello, Request::status}));
    }

    void aStrangersSocketIsNeitherHandedOverToNorAsked()
    {
        QTemporaryDir dir;
        const SingleInstance::Place place{dir.filePath(QStringLiteral("s")), {}};
        SingleInstance strangers(place);
        int asked = 0;
        strangers.setResponder([&asked](Request) {
            ++asked;
            return QByteArray("tray 1");
        });
        strangers.claim();

        // The same process stands for another user's: we tell this side it belongs to someone else.
        SingleInstance ours(place, ::getuid() + 1);
        QSignalSpy primary(&ours, &SingleInstance::primary);
        QSignalSpy handedOver(&ours, &SingleInstance::handedOver);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral(
                                 "is served by another user's process .*neither hands over to it nor asks "
                                 "it. Make sure XDG_RUNTIME_DIR is private to you, or remove that socket")));
        ours.claim();
        QTRY_COMPARE(primary.size(), 1);
        QCOMPARE(handedOver.size(), 0);
        QVERIFY(!ours.isListening());

        const auto answer = SingleInstance::ask(place, Request::status, 5s, ::getuid() + 1);
        QCOMPARE(answer.outcome, SingleInstance::Answer::Outcome::stranger);
        QVERIFY(answer.problem.startsWith(place.socketPath));
        QTest::qWait(50);
        QCOMPARE(asked, 0);
    }

    void requestsFromAnotherUserAreRefused()
    {
        QTemporaryDir dir;
        const SingleInstance::Place place{dir.filePath(QStringLiteral("s")), {}};
        SingleInstance running(place, ::getuid() + 1);
        int asked = 0;
        running.setResponder([&asked](Request) {
            ++asked;
            return QByteArray("secret");
        });
        running.claim();

        SingleInstance second(place);
        QSignalSpy handedOver(&second, &SingleInstance::handedOver);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("refused a request on .* from "
                                                                             "another user")));
        second.claim();
        QTRY_COMPARE(handedOver.size(), 1);
        QCOMPARE(handedOver.at(0).at(0).toByteArray(), QByteArray());
        QCOMPARE(asked, 0);
    }

    void withoutASafePlaceItRunsAloneAndSaysWhy()
    {
        SingleInstance instance({{},
                                 QStringLiteral("/tmp/vireon-feeder-1000 belongs to another user (uid 1001): "
                                                "remove it, or set XDG_RUNTIME_DIR to a directory only "
                                                "you can enter")});
        QSignalSpy primary(&instance, &SingleInstance::primary);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral(
                                 "keeps a second Vireon Feeder from feeding at the same time has no safe "
                                 "place \\(/tmp/vireon-feeder-1000 belongs to another user \\(uid 1001\\): "
                                 "remove it, .*\\)\\. Running without that check\\.")));
        instance.claim();
        QCOMPARE(primary.size(), 1);
        QVERIFY(!instance.isListening());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "TestSingleInstance.moc"
