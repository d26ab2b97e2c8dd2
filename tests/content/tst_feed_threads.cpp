// The two parsing thread bodies run on a real worker: what reaches the main thread, in which
// order, and which error ends the body.

#include "feed_threads.h"
#include "worker.h"

#include <QtTest>

using content::RunProgrammeParsing;
using content::RunSponsorParsing;

namespace {

struct TOutcome {
    QStringList calls;          // "name|description|site|picture" and "final", in order
    bool mainThreadOnly = true; // every call arrived on the main thread
    QString error;              // the error that ended the body, if any
};

// Runs body on a worker and waits for its termination handler.
TOutcome Run(const std::function<void(zelvorna::TWorker&, TOutcome&)>& body) {
    TOutcome outcome;
    bool ended = false;
    zelvorna::TWorker* worker =
        zelvorna::TWorker::Create([&](zelvorna::TWorker& self) { body(self, outcome); });
    worker->SetOnTerminate([&](zelvorna::TWorker* sender) {
        outcome.error = sender->HasFatalError() ? sender->FatalErrorMessage() : QString();
        ended = true;
    });
    worker->Start();
    if (!QTest::qWaitFor([&] { return ended; }, 10000))
        qFatal("worker did not end");
    return outcome;
}

// A JSON string literal (the texts here need no escaping).
QString J(const char* text) {
    return '"' + QString::fromUtf8(text) + '"';
}

void Record(TOutcome& outcome, const QString& call) {
    outcome.mainThreadOnly = outcome.mainThreadOnly &&
                             QThread::currentThread() == QCoreApplication::instance()->thread();
    outcome.calls << call;
}

QString Element(const QString& name, const QString& second = J("d"), const QString& third = J("s"),
                const QString& picture = J("p"),
                const QStringList& keys = {"Nome_Patrocinador", "Descricao", "Url_Patrocinador"}) {
    QStringList members;
    if (!name.isNull())
        members << QString("\"%1\": %2").arg(keys[0], name);
    if (!second.isNull())
        members << QString("\"%1\": %2").arg(keys[1], second);
    if (!third.isNull())
        members << QString("\"%1\": %2").arg(keys[2], third);
    if (!picture.isNull())
        members << QString("\"Url_Image\": %1").arg(picture);
    return "{" + members.join(", ") + "}";
}

} // namespace

class TstFeedThreads : public QObject {
    Q_OBJECT
private slots:
    void sponsorFeed_data() {
        QTest::addColumn<QString>("json");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("error");
        const QString none;
        QTest::addRow("empty text") << "" << QStringList{"final"} << none;
        QTest::addRow("not json") << "[{\"Nome_Patrocinador\": " << QStringList{"final"} << none;
        QTest::addRow("trailing text") << "[] []" << QStringList{"final"} << none;
        QTest::addRow("empty array") << "[]" << QStringList{"final"} << none;
        QTest::addRow("top-level object")
            << "{\"a\": 1}" << QStringList{"final"} << "Invalid class typecast";
        QTest::addRow("three in array order")
            << "[" + Element(J("Padaria São João"), J("Pão"), J("https://a"), J("http://l/a.png")) +
                   "," + Element(J("B")) + "," + Element(J("C")) + "]"
            << QStringList{"Padaria São João|Pão|https://a|http://l/a.png", "B|d|s|p", "C|d|s|p",
                           "final"}
            << none;
        QTest::addRow("texts from other values")
            << "[" + Element("1.50", "null", "true", "false") + "]"
            << QStringList{"1.50||true|false", "final"} << none;
        QTest::addRow("second lacks Descricao")
            << "[" + Element(J("A")) + "," + Element(J("B"), QString()) + "," + Element(J("C")) +
                   "]"
            << QStringList{"A|d|s|p", "final"} << "Value 'Descricao' not found";
        QTest::addRow("logo address missing, read in the hand-off")
            << "[" + Element(J("A")) + "," + Element(J("B"), J("d"), J("s"), QString()) + "]"
            << QStringList{"A|d|s|p", "final"} << "Value 'Url_Image' not found";
        QTest::addRow("name in other letter case")
            << "[{\"nome_patrocinador\": \"A\", \"Descricao\": \"d\", \"Url_Patrocinador\": \"s\", "
               "\"Url_Image\": \"p\"}]"
            << QStringList{"final"} << "Value 'Nome_Patrocinador' not found";
        QTest::addRow("site is an object")
            << "[" + Element(J("A"), J("d"), "{}") + "]" << QStringList{"final"}
            << "Conversion from TJSONObject to string is not supported";
        QTest::addRow("element is a string")
            << "[\"A\"]" << QStringList{"final"} << "Value 'Nome_Patrocinador' not found";
    }
    void sponsorFeed() {
        QFETCH(QString, json);
        QFETCH(QStringList, calls);
        QFETCH(QString, error);
        const TOutcome outcome = Run([&json](zelvorna::TWorker& self, TOutcome& out) {
            RunSponsorParsing(
                self, json,
                [&out](const QString& n, const QString& d, const QString& s, const QString& p,
                       const content::TRowDone& done) {
                    Record(out, QStringList{n, d, s, p}.join('|'));
                    QTimer::singleShot(5, QCoreApplication::instance(),
                                       done); // completes later, as a download does
                },
                [&out] { Record(out, "final"); });
        });
        QCOMPARE(outcome.calls, calls);
        QVERIFY(outcome.mainThreadOnly);
        QCOMPARE(outcome.error, error);
    }

    // Thousands of elements cost memory for nothing: the first 500 are read, as if the feed
    // ended there, and no error is raised.
    void longFeedEndsAtTheElementLimit() {
        const QStringList keys{"Nome_do_Programa", "Descricao_do_Programa", "Url_do_Programa"};
        QStringList elements;
        for (int i = 0; i < 600; ++i)
            elements << Element(J("p"), J("d"), J("u"), J("i"), keys);
        const QString json = "[" + elements.join(',') + "]";
        const TOutcome outcome = Run([&json](zelvorna::TWorker& self, TOutcome& out) {
            RunProgrammeParsing(self, json,
                                [&out](const QString&, const QString&, const QString&,
                                       const QString&, const content::TRowDone& done) {
                                    Record(out, "row");
                                    done();
                                });
        });
        QCOMPARE(outcome.calls.size(), int(content::kMaxFeedElements));
        QCOMPARE(outcome.error, QString());
    }

    void programmeFeed_data() {
        QTest::addColumn<QString>("json");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("error");
        const QStringList keys{"Nome_do_Programa", "Descricao_do_Programa", "Url_do_Programa"};
        const QString a = Element(J("Café com Notícias"), J("Manhãs"), J("u"), J("p"), keys);
        QTest::addRow("empty text") << "" << QStringList{} << QString();
        QTest::addRow("not json") << "[" + a << QStringList{}
                                  << QString::fromUtf8(content::kInvalidProgrammeFeed);
        QTest::addRow("empty array") << "[]" << QStringList{} << QString();
        QTest::addRow("top-level string") << "\"x\"" << QStringList{} << "Invalid class typecast";
        QTest::addRow("two in array order")
            << "[" + a + "," + Element(J("B"), J("d"), J("s"), J("p"), keys) + "]"
            << QStringList{"Café com Notícias|Manhãs|u|p", "B|d|s|p"} << QString();
        QTest::addRow("second lacks Url_do_Programa")
            << "[" + a + "," + Element(J("B"), J("d"), QString(), J("p"), keys) + "]"
            << QStringList{"Café com Notícias|Manhãs|u|p"} << "Value 'Url_do_Programa' not found";
        QTest::addRow("description is an object")
            << "[" + Element(J("B"), "{\"x\": 1}", J("s"), J("p"), keys) + "]" << QStringList{}
            << "Conversion from TJSONObject to string is not supported";
        QTest::addRow("picture is an array")
            << "[" + Element(J("B"), J("d"), J("s"), "[]", keys) + "]" << QStringList{}
            << "Conversion from TJSONArray to string is not supported";
    }
    void programmeFeed() {
        QFETCH(QString, json);
        QFETCH(QStringList, calls);
        QFETCH(QString, error);
        const TOutcome outcome = Run([&json](zelvorna::TWorker& self, TOutcome& out) {
            RunProgrammeParsing(self, json,
                                [&out](const QString& n, const QString& d, const QString& s,
                                       const QString& p, const content::TRowDone& done) {
                                    Record(out, QStringList{n, d, s, p}.join('|'));
                                    done();
                                });
        });
        QCOMPARE(outcome.calls, calls);
        QVERIFY(outcome.mainThreadOnly);
        QCOMPARE(outcome.error, error);
    }
};

QTEST_GUILESS_MAIN(TstFeedThreads)
#include "tst_feed_threads.moc"
