#pragma once
// Starts a loopback server script of the tests and waits for its ready line: the one launcher of
// the tests' scripted servers.

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>

class ScriptServer {
public:
    ~ScriptServer() { stop(); }

    // Starts python3 with the script and arguments; readyPattern captures the address or port.
    bool start(const QString& script, const QStringList& args, const QString& readyPattern,
               int timeoutMs) {
        const QString source = qEnvironmentVariable("ZELVORNA_SOURCE_DIR");
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start("/usr/bin/python3", QStringList{source + "/" + script} + args);
        if (!process_.waitForStarted(5000))
            return false;
        const QRegularExpression ready(readyPattern);
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            if (!process_.waitForReadyRead(200) && process_.state() != QProcess::Running)
                return false;
            output_ += process_.readAllStandardOutput();
            const auto match = ready.match(QString::fromUtf8(output_));
            if (match.hasMatch()) {
                captured_ = match.captured(1);
                return true;
            }
        }
        return false;
    }

    void stop() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.closeWriteChannel();
        process_.terminate();
        if (!process_.waitForFinished(10000)) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }

    QString captured() const { return captured_; }

    // Everything the script has printed so far.
    QString output() {
        process_.waitForReadyRead(0);
        output_ += process_.readAllStandardOutput();
        return QString::fromUtf8(output_);
    }

    static quint16 freePort() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

private:
    QProcess process_;
    QString captured_;
    QByteArray output_;
};
