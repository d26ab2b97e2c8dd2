#include "worker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QTest>
#include <atomic>
#include <stdexcept>

using zelvorna::TWorker;

namespace {

// Starts a worker whose handler logs its closing work and then, as the window's handlers do,
// the recorded error; waits until the worker has freed itself.
QStringList RunToEnd(TWorker::Body body) {
    auto log = std::make_shared<QStringList>();
    TWorker* worker = TWorker::Create(std::move(body));
    worker->SetOnTerminate([log](TWorker* sender) {
        log->append("closing");
        if (sender->HasFatalError())
            log->append("message: " + sender->FatalErrorMessage());
    });
    QPointer<TWorker> alive(worker);
    worker->Start();
    if (!QTest::qWaitFor([&] { return alive.isNull(); }, 5000))
        log->append("not freed");
    return *log;
}

} // namespace

class TstWorker : public QObject {
    Q_OBJECT
private slots:
    void errorEndsBodyAndIsReportedOnceAfterClosingWork_data();
    void errorEndsBodyAndIsReportedOnceAfterClosingWork();
    void handOffRunsOnMainThreadWhileWorkerWaits();
    void synchronizeOnMainThreadRunsInline();
    void workerCreatedOnWorkerIsFreed();
    // Shutdown is one-way for the process: keep this test last.
    void shutdownReleasesWorkerBlockedInHandOff();
};

void TstWorker::errorEndsBodyAndIsReportedOnceAfterClosingWork_data() {
    QTest::addColumn<int>("failure"); // 0 none, 1 in the body, 2 in a hand-off step
    QTest::addColumn<QStringList>("expected");
    QTest::addRow("clean end") << 0 << QStringList{"closing"};
    QTest::addRow("error in body") << 1 << QStringList{"closing", "message: Falha no corpo"};
    QTest::addRow("error in hand-off")
        << 2 << QStringList{"closing", "message: Falha no passo ação"};
}

void TstWorker::errorEndsBodyAndIsReportedOnceAfterClosingWork() {
    QFETCH(int, failure);
    QFETCH(QStringList, expected);
    std::atomic<bool> reachedEnd{false};
    const QStringList log = RunToEnd([&](TWorker& self) {
        if (failure == 1)
            throw std::runtime_error("Falha no corpo");
        self.Synchronize([&] {
            if (failure == 2)
                throw std::runtime_error("Falha no passo ação");
        });
        reachedEnd = true; // not after a failed hand-off: its error ends the body
    });
    QCOMPARE(log, expected);
    QCOMPARE(reachedEnd.load(), failure == 0);
}

void TstWorker::handOffRunsOnMainThreadWhileWorkerWaits() {
    QThread* stepThread = nullptr;
    int seenAfterHandOff = 0;
    int value = 0;
    RunToEnd([&](TWorker& self) {
        self.Synchronize([&] {
            stepThread = QThread::currentThread();
            QThread::msleep(50); // the worker must still be waiting
            value = 7;
        });
        seenAfterHandOff = value;
    });
    QCOMPARE(stepThread, QCoreApplication::instance()->thread());
    QCOMPARE(seenAfterHandOff, 7);
}

void TstWorker::synchronizeOnMainThreadRunsInline() {
    TWorker* worker = TWorker::Create([](TWorker&) {});
    bool ran = false;
    worker->Synchronize([&] { ran = true; });
    QVERIFY(ran); // no event was processed in between
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             worker->Synchronize([] { throw std::runtime_error("x"); }));
    delete worker; // never started
}

void TstWorker::workerCreatedOnWorkerIsFreed() {
    QPointer<TWorker> inner;
    std::atomic<bool> innerRan{false};
    RunToEnd([&](TWorker& self) {
        TWorker* child = TWorker::Create([&](TWorker&) { innerRan = true; });
        self.Synchronize([&] { inner = child; });
        child->Start();
    });
    QVERIFY(QTest::qWaitFor([&] { return inner.isNull(); }, 5000));
    QVERIFY(innerRan);
}

void TstWorker::shutdownReleasesWorkerBlockedInHandOff() {
    std::atomic<bool> waiting{false};
    std::atomic<bool> cancelled{false};
    bool stepRan = false;
    bool handlerRan = false;
    TWorker* worker = TWorker::Create([&](TWorker& self) {
        waiting = true;
        try {
            self.Synchronize([&] { stepRan = true; });
        } catch (const zelvorna::EWorkerCancelled&) {
            cancelled = true;
            throw;
        }
    });
    worker->SetOnTerminate([&](TWorker*) { handlerRan = true; });
    QPointer<TWorker> alive(worker);
    worker->Start();
    // The main thread does not serve the hand-off: it shuts down, as a closing window does.
    while (!waiting)
        QThread::msleep(1);
    QThread::msleep(50);

    QElapsedTimer clock;
    clock.start();
    TWorker::BeginShutdown();
    QVERIFY(TWorker::WaitForAll(3000));
    QVERIFY(clock.elapsed() < 1000);
    QVERIFY(cancelled);

    QVERIFY(QTest::qWaitFor([&] { return alive.isNull(); }, 5000));
    QVERIFY(!stepRan);
    QVERIFY(!handlerRan);
}

QTEST_GUILESS_MAIN(TstWorker)
#include "tst_worker.moc"
