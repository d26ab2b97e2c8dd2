// Closing the window while a connection attempt blocks inside the real engine: the process ends
// at once and cleanly. The test runs itself as a child so that it can watch the child's exit.

#include "radio_bass.h"
#include "tf_principal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTest>
#include <QThread>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kChildFlag[] = "--close-during-connect";

// The child: the window's radio connects to a server that never answers, then the window closes.
int RunChild(int argc, char* argv[]) {
    TBassLibrary engine; // released after the application object, as at start-up
    QApplication app(argc, argv);
    TF_Principal::Dependencies deps = TF_Principal::DefaultDependencies();
    deps.streamHost = QStringLiteral("127.0.0.1");
    deps.visitStatistics = false;
    deps.showMessage = [](const QString&) {};
    TF_Principal window(std::move(deps));
    window.FormCreate();
    window.Botao_PlayClick();
    QTest::qWait(1000); // the connection thread is inside the engine now
    if (!window.player()->busy())
        return 3;
    std::fputs("closing\n", stdout);
    std::fflush(stdout);
    window.FormClose();
    return 0;
}

} // namespace

class TstCloseDuringConnect : public QObject {
    Q_OBJECT
private slots:
    void closeEndsTheProcessPromptlyAndCleanly() {
        // Accepted by the kernel and never answered: the connect blocks in the engine.
        QTcpServer silent;
        if (!silent.listen(QHostAddress::LocalHost, 8000))
            QSKIP("port 8000 is in use: the stream port of the application is fixed");

        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {kChildFlag});
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForReadyRead(10000));
        QCOMPARE(child.readLine().trimmed(), QByteArray("closing"));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(child.waitForFinished(5000));
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    }
};

int main(int argc, char* argv[]) {
    if (argc > 1 && std::strcmp(argv[1], kChildFlag) == 0)
        return RunChild(argc, argv);
    QCoreApplication app(argc, argv);
    TstCloseDuringConnect test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_close_during_connect.moc"
