// The hidden statistics visit: one request for the page per start, no icon, no helper left.

#include "feed_server_client.h"
#include "statistics_visit.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QtTest>

namespace {
bool ProcessAlive(qint64 pid) {
    // A reaped child is gone from /proc; a zombie would still be listed.
    return pid > 0 && QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid));
}

// The niceness of a running process (field 19 of /proc/PID/stat), or -100 when unreadable.
int Niceness(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -100;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 16 ? fields[16].toInt() : -100;
}
} // namespace

class TestStatisticsVisit : public QObject {
    Q_OBJECT
    std::unique_ptr<TFeedServer> server_;

private slots:
    void initTestCase() {
        server_ = std::make_unique<TFeedServer>(true);
        QVERIFY(server_->Ok());
        QVERIFY(server_->SetRoute("/estatistica_app.php", "<html><body>ok</body></html>",
                                  "text/html; charset=utf-8"));
    }

    void pageRequestedOnceOverHttpsAndHelperEnds() {
        content::TStatisticsVisit visit;
        QSignalSpy finished(&visit, &content::TStatisticsVisit::finished);
        QVERIFY(visit.Start(QUrl(server_->Url("/estatistica_app.php", "https"))));
        const qint64 pid = visit.ProcessId();
        QVERIFY(pid > 0);
        QVERIFY(finished.wait(30000));
        QCOMPARE(server_->Requests("/estatistica_app.php"), 1);
        QCOMPARE(server_->Requests("/favicon.ico"), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!ProcessAlive(pid), 5000);
    }

    void runningVisitKilledWithItsOwner() {
        qint64 pid = 0;
        {
            content::TStatisticsVisit visit;
            QVERIFY(visit.Start(QUrl(server_->Url("/slow/20000/estatistica_app.php"))));
            // The browser engine gives way to the window and the audio.
            QTRY_COMPARE_WITH_TIMEOUT(Niceness(visit.ProcessId()), 10, 5000);
            pid = visit.ProcessId();
            QVERIFY(ProcessAlive(pid));
        }
        QVERIFY(!ProcessAlive(pid));
    }

    void missingHelperStartsNothing() {
        content::TStatisticsVisit visit(QStringLiteral("/nonexistent/zelvorna-visit"));
        QVERIFY(!visit.Start(QUrl(server_->Url("/estatistica_app.php"))));
        QVERIFY(!visit.Running());
    }
};

QTEST_GUILESS_MAIN(TestStatisticsVisit)
#include "test_statistics_visit.moc"
