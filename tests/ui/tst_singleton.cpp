// The window tree reaches the controller as the QML singleton F_Principal.

#include "test_radios.h"
#include "tf_principal.h"

#include <QPointer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(ZelvornaPlugin)

class TstSingleton : public QObject {
    Q_OBJECT
private slots:
    void qmlSeesTheOneControllerAndNeverOwnsIt();
};

void TstSingleton::qmlSeesTheOneControllerAndNeverOwnsIt() {
    TF_Principal::Dependencies deps;
    auto radio = std::make_shared<TFakeRadioState>();
    deps.makeRadio = [radio] {
        return std::make_unique<TRadio>(std::make_unique<TFakeRadio>(radio));
    };
    auto controller = std::make_unique<TF_Principal>(std::move(deps));
    QCOMPARE(F_Principal, controller.get());
    controller->FormCreate();
    QPointer<TF_Principal> alive(controller.get());
    {
        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData("import QtQml\nimport Zelvorna\nQtObject {\n"
                          "  property real volume: F_Principal.player.volumeValue\n"
                          "  function louder() { F_Principal.Image_Volume_MaximoClick(null) }\n}",
                          QUrl("qrc:/probe.qml"));
        std::unique_ptr<QObject> probe(component.create());
        QVERIFY2(probe, qPrintable(component.errorString()));
        QCOMPARE(probe->property("volume").toDouble(), 50.0);
        QMetaObject::invokeMethod(probe.get(), "louder");
        QCOMPARE(probe->property("volume").toDouble(), 51.0); // bound through the notify signal
    }
    QVERIFY(alive); // the engine went away, the controller stays
}

QTEST_MAIN(TstSingleton)
#include "tst_singleton.moc"
