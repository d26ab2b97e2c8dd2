#include "image_provider.h"

#include "image_store.h"
#include "programme_model.h"
#include "sponsor_model.h"

#include <QQmlEngine>

namespace content {

TContentImageProvider::TContentImageProvider(std::shared_ptr<const TImageStore> sponsors,
                                             std::shared_ptr<const TImageStore> programmes)
    : QQuickImageProvider(QQuickImageProvider::Image), sponsors_(std::move(sponsors)),
      programmes_(std::move(programmes)) {}

QImage TContentImageProvider::requestImage(const QString& id, QSize* size,
                                           const QSize& requestedSize) {
    const qsizetype slash = id.indexOf(QLatin1Char('/'));
    const QStringView kind = QStringView(id).left(slash < 0 ? 0 : slash);
    bool ok = false;
    const quint64 number = QStringView(id).mid(slash + 1).toULongLong(&ok);
    QImage image;
    if (ok && kind == QLatin1String("sponsor"))
        image = sponsors_->Get(number);
    else if (ok && kind == QLatin1String("programme"))
        image = programmes_->Get(number);
    if (size)
        *size = image.size();
    if (!image.isNull() && requestedSize.width() > 0 && requestedSize.height() > 0 &&
        requestedSize != image.size())
        image = image.scaled(requestedSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

void InstallImageProvider(QQmlEngine& engine, const TSponsorModel& sponsors,
                          const TProgrammeModel& programmes) {
    engine.addImageProvider(QStringLiteral("content"),
                            new TContentImageProvider(sponsors.Images(), programmes.Images()));
}

void InstallImageProvider(QQmlEngine& engine, const QAbstractListModel* sponsors,
                          const QAbstractListModel* programmes) {
    const auto* sponsorModel = qobject_cast<const TSponsorModel*>(sponsors);
    const auto* programmeModel = qobject_cast<const TProgrammeModel*>(programmes);
    if (sponsorModel && programmeModel)
        InstallImageProvider(engine, *sponsorModel, *programmeModel);
}

} // namespace content
