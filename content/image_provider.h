#pragma once
// Serves the pictures of the sponsor strip and the programme list to QML:
// "image://content/sponsor/<id>" and "image://content/programme/<id>".

#include <QQuickImageProvider>
#include <memory>

class QAbstractListModel;
class QQmlEngine;

namespace content {

class TImageStore;
class TSponsorModel;
class TProgrammeModel;

class TContentImageProvider : public QQuickImageProvider {
public:
    TContentImageProvider(std::shared_ptr<const TImageStore> sponsors,
                          std::shared_ptr<const TImageStore> programmes);

    // id is "sponsor/<n>" or "programme/<n>"; unknown ids give a null image.
    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;

private:
    std::shared_ptr<const TImageStore> sponsors_;
    std::shared_ptr<const TImageStore> programmes_;
};

// Adds the provider to engine under the name "content" (the engine takes ownership).
void InstallImageProvider(QQmlEngine& engine, const TSponsorModel& sponsors,
                          const TProgrammeModel& programmes);
// The same for the controller's model properties; does nothing unless both are our models.
void InstallImageProvider(QQmlEngine& engine, const QAbstractListModel* sponsors,
                          const QAbstractListModel* programmes);

} // namespace content
