// The hidden statistics visit: one request for the page per start, no icon, no helper left.

#include "feed_server_client.h"
#include "statistics_visit.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTimer>
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

// The fields of /proc/PID/stat after the command's name, or none once it is gone.
QList<QByteArray> StatFields(const QString& pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2).split(' ');
}

qint64 Pss(const QString& pid) {
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!rollup.open(QIODevice::ReadOnly))
        return 0;
    for (QByteArray line = rollup.readLine(); !line.isEmpty(); line = rollup.readLine())
        if (line.startsWith("Pss:"))
            return line.mid(4).trimmed().split(' ').constFirst().toLongLong() * 1024;
    return 0;
}

// The live members of a process group and their proportional memory together.
struct TGroupUse {
    int processes = 0;
    qint64 bytes = 0;
};
TGroupUse GroupUse(qint64 group) {
    TGroupUse use;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QList<QByteArray> fields = StatFields(entry);
        if (fields.size() > 2 && fields[0] != "Z" && fields[2].toLongLong() == group) {
            ++use.processes;
            use.bytes += Pss(entry);
        }
    }
    return use;
}

// Scripts of a site that is not ours, each holding up the page's load.
const char kAllocatesForEver[] =
    "<html><body><script>const a = [];"
    "while (true) a.push(new Uint8Array(1 << 20).fill(1));</script></body></html>";
const char kFillsTheScriptHeap[] =
    "<html><body><script>const a = [];"
    "while (true) a.push(new Array(1e5).fill(1.5));</script></body></html>";
const char kLoopsForEver[] = "<html><body><script>while (true) {}</script></body></html>";
} // namespace

class TstStatisticsVisit : public QObject {
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

    // Whatever the page does, its visit stays within 512 MB for all its processes and 15 s, ends
    // with every process of it, and the window's own thread keeps its pace meanwhile.
    void hostilePagesAreBoundedInMemoryAndTime_data() {
        QTest::addColumn<QByteArray>("page");
        QTest::addRow("allocates without end") << QByteArray(kAllocatesForEver);
        QTest::addRow("fills the script heap") << QByteArray(kFillsTheScriptHeap);
        QTest::addRow("loops for ever") << QByteArray(kLoopsForEver);
    }
    void hostilePagesAreBoundedInMemoryAndTime() {
        QFETCH(QByteArray, page);
        QVERIFY(server_->SetRoute("/hostile.html", page, "text/html; charset=utf-8"));
        content::TStatisticsVisit visit;
        QSignalSpy finished(&visit, &content::TStatisticsVisit::finished);
        QElapsedTimer life;
        life.start();
        QVERIFY(visit.Start(QUrl(server_->Url("/hostile.html"))));
        const qint64 group = visit.ProcessId();

        qint64 peak = 0;
        qint64 longestTickGap = 0;
        QElapsedTimer sinceTick;
        sinceTick.start();
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this, [&] {
            longestTickGap = std::max(longestTickGap, sinceTick.restart());
            peak = std::max(peak, GroupUse(group).bytes);
        });
        sampler.start(20);
        QVERIFY(finished.wait(25000));
        const qint64 lifetime = life.elapsed();
        sampler.stop();

        qInfo("peak %lld MB for the visit's processes, over after %lld ms", peak >> 20, lifetime);
        QVERIFY2(peak <= 512LL * 1024 * 1024, qPrintable(QString::number(peak >> 20)));
        // 15 s from the helper's start, plus its start and end on a busy machine.
        QVERIFY2(lifetime <= 17000, qPrintable(QString::number(lifetime)));
        QVERIFY2(longestTickGap < 2000, qPrintable(QString::number(longestTickGap)));
        QTRY_COMPARE_WITH_TIMEOUT(GroupUse(group).processes, 0, 5000);
    }

    void missingHelperStartsNothing() {
        content::TStatisticsVisit visit(QStringLiteral("/nonexistent/zelvorna-visit"));
        QVERIFY(!visit.Start(QUrl(server_->Url("/estatistica_app.php"))));
        QVERIFY(!visit.Running());
    }
};

QTEST_GUILESS_MAIN(TstStatisticsVisit)
#include "tst_statistics_visit.moc"
