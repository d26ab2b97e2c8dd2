#include "image_store.h"

#include <QMutexLocker>

namespace content {

void TImageStore::Put(quint64 id, const QImage& image) {
    QMutexLocker lock(&mutex_);
    images_.insert(id, image);
}

QImage TImageStore::Get(quint64 id) const {
    QMutexLocker lock(&mutex_);
    return images_.value(id);
}

void TImageStore::Clear() {
    QMutexLocker lock(&mutex_);
    images_.clear();
}

} // namespace content
