// The sponsor and programme models: roles, the held rows of an update, pictures by id.

#include "image_provider.h"
#include "programme_model.h"
#include "sponsor_model.h"

#include <QAbstractItemModelTester>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QtTest>

using namespace content;

namespace {
QImage Picture(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::blue);
    return img;
}
QVariant Data(const QAbstractItemModel& model, int row, const char* role) {
    const int key = model.roleNames().key(role, -1);
    return model.data(model.index(row, 0), key);
}
} // namespace

class TstContentModels : public QObject {
    Q_OBJECT
private slots:
    void sponsorRolesCarryTheCard() {
        TSponsorModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.Append("Padaria São João", "Pão quente", "https://padaria.example", Picture(4, 3));
        model.Append("Sem Logo", "", "https://b.example", QImage());
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(Data(model, 0, "name").toString(), QString("Padaria São João"));
        QCOMPARE(Data(model, 0, "description").toString(), QString("Pão quente"));
        QCOMPARE(Data(model, 0, "site").toString(), QString("https://padaria.example"));
        QCOMPARE(Data(model, 0, "itemWidth").toInt(), 210);
        QCOMPARE(Data(model, 0, "itemHeight").toInt(), 175);
        QVERIFY(Data(model, 0, "logo").toString().startsWith("image://content/sponsor/"));
        QCOMPARE(Data(model, 1, "logo").toString(), QString());
    }

    void programmeRolesCarryTheRow() {
        TProgrammeModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.Append("Café com Notícias", "Manhãs", "https://p.example", Picture(5, 5));
        QCOMPARE(Data(model, 0, "name").toString(), QString("Café com Notícias"));
        QCOMPARE(Data(model, 0, "description").toString(), QString("Manhãs"));
        QCOMPARE(Data(model, 0, "programmeUrl").toString(), QString("https://p.example"));
        QCOMPARE(Data(model, 0, "rowHeight").toInt(), 135);
        QVERIFY(Data(model, 0, "picture").toString().startsWith("image://content/programme/"));
    }

    void updateInsertsHeldRowsOnceInOrder() {
        TSponsorModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy ended(&model, &TSponsorModel::updateEnded);
        model.BeginUpdate();
        model.BeginUpdate(); // nested
        for (const char* name : {"a", "b", "c"})
            model.Append(name, "", "", QImage());
        model.EndUpdate();
        QCOMPARE(model.Count(), 3);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(ended.count(), 0);
        model.EndUpdate();
        QCOMPARE(ended.count(), 1);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), 0);
        QCOMPARE(inserted.at(0).at(2).toInt(), 2);
        QCOMPARE(model.At(2).name, QString("c"));
        model.EndUpdate(); // unmatched: harmless
        QCOMPARE(model.rowCount(), 3);
    }

    void clearDropsShownAndHeldRows() {
        TProgrammeModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.Append("shown", "", "", QImage());
        model.BeginUpdate();
        model.Append("held", "", "", QImage());
        model.Clear();
        QCOMPARE(model.Count(), 0);
        model.EndUpdate();
        QCOMPARE(model.rowCount(), 0);
    }

    void providerServesPicturesByIdNeverReused() {
        TSponsorModel sponsors;
        TProgrammeModel programmes;
        TContentImageProvider provider(sponsors.Images(), programmes.Images());
        sponsors.Append("a", "", "", Picture(4, 3));
        programmes.Append("p", "", "", Picture(7, 7));
        const QString first = Data(sponsors, 0, "logo").toString();
        QSize size;
        const QImage logo =
            provider.requestImage(first.mid(QString("image://content/").size()), &size, QSize());
        QCOMPARE(size, QSize(4, 3));
        const QString picture = Data(programmes, 0, "picture").toString();
        QCOMPARE(provider.requestImage(picture.mid(16), &size, QSize(14, 14)).size(),
                 QSize(14, 14));
        QVERIFY(provider.requestImage("sponsor/999", &size, QSize()).isNull());
        QVERIFY(provider.requestImage("nonsense", &size, QSize()).isNull());

        sponsors.Clear();
        QVERIFY(provider.requestImage(first.mid(16), &size, QSize()).isNull());
        sponsors.Append("b", "", "", Picture(2, 2));
        QVERIFY(Data(sponsors, 0, "logo").toString() != first);
    }

    void qmlImageLoadsThroughInstalledProvider() {
        TSponsorModel sponsors;
        TProgrammeModel programmes;
        QQmlEngine engine;
        InstallImageProvider(engine, static_cast<const QAbstractListModel*>(&sponsors),
                             static_cast<const QAbstractListModel*>(&programmes));
        sponsors.Append("a", "", "", Picture(6, 4));
        QQmlComponent component(&engine);
        component.setData("import QtQuick\nImage { asynchronous: true }", QUrl());
        std::unique_ptr<QObject> image(component.create());
        QVERIFY2(image, qPrintable(component.errorString()));
        image->setProperty("source", Data(sponsors, 0, "logo"));
        QTRY_COMPARE(image->property("status").toInt(), 1); // Image.Ready
        QCOMPARE(image->property("sourceSize").toSize(), QSize(6, 4));
    }
};

QTEST_MAIN(TstContentModels)
#include "tst_content_models.moc"
