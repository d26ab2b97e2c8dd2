#pragma once
// The main window loaded as the application loads it, over a controller whose radio and link
// opener are test doubles. Shared by the layout test and the screenshot tool.

#include "image_provider.h"
#include "item_finder.h"
#include "link_recorder.h"
#include "listener_profile.h"
#include "player_panel.h"
#include "programme_model.h"
#include "radio.h"
#include "sponsor_model.h"
#include "station_content.h"
#include "test_radios.h"
#include "tf_principal.h"
#include "worker.h"

#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>
#include <memory>

class TWindowFixture {
public:
    TWindowFixture() {
        TF_Principal::Dependencies deps;
        // Play waits until the test lets it fail, so the loading overlay stays up.
        radio->blockInPlay = true;
        deps.makeRadio = [state = radio] {
            return std::make_unique<TRadio>(std::make_unique<TFakeRadio>(state));
        };
        deps.showMessage = [this](const QString& text) { messages.append(text); };
        deps.showDefaultError = [this](const QString& text) { messages.append(text); };
        deps.linkOpener = opener;
        deps.settingsPath = settingsDir.filePath(QStringLiteral("Configuracao.ini"));
        deps.streamHost = QStringLiteral("127.0.0.1");
        deps.siteHost = QStringLiteral("127.0.0.1:9"); // discard port: feeds fail at once
        deps.requestEmail = QStringLiteral("pedidos@example.invalid");
        deps.visitStatistics = false;
        controller = std::make_unique<TF_Principal>(std::move(deps));

        content::InstallImageProvider(engine, controller->content()->sponsorModel(),
                                      controller->content()->programmeModel());
        engine.load(QUrl(QStringLiteral("qrc:/Zelvorna/qml/Main.qml")));
        if (!engine.rootObjects().isEmpty())
            window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
        if (window) {
            controller->SetWindow(window);
            controller->FormCreate(window);
        }
    }

    // No FormClose: it starts the application's shutdown, which no later fixture could undo.
    ~TWindowFixture() {
        radio->release.release(8);
        zelvorna::TWorker::WaitForAll(5000);
    }

    QQuickItem* Item(const char* objectName) const {
        return FindItem(window->contentItem(), QString::fromLatin1(objectName));
    }

    // Rectangle of an item in the window's coordinates.
    QRectF RectOf(const char* objectName) const {
        QQuickItem* item = Item(objectName);
        if (!item)
            return {};
        return QRectF(item->mapToItem(window->contentItem(), QPointF(0, 0)), item->size());
    }

    void Resize(int w, int h) {
        window->resize(w, h);
        window->contentItem()->setSize(QSizeF(w, h));
        QCoreApplication::processEvents();
    }

    content::TSponsorModel* Sponsors() const {
        return static_cast<content::TSponsorModel*>(controller->content()->sponsorModel());
    }
    content::TProgrammeModel* Programmes() const {
        return static_cast<content::TProgrammeModel*>(controller->content()->programmeModel());
    }

    QTemporaryDir settingsDir;
    std::shared_ptr<TFakeRadioState> radio = std::make_shared<TFakeRadioState>();
    std::shared_ptr<TRecordingOpener> opener = std::make_shared<TRecordingOpener>();
    QStringList messages;
    std::unique_ptr<TF_Principal> controller;
    QQmlApplicationEngine engine;
    QQuickWindow* window = nullptr;
};
