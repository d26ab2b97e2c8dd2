#pragma once
// Pictures of the rows by id, shared between a model (main thread) and the image provider,
// which the QML engine may call from its loader threads.

#include <QHash>
#include <QImage>
#include <QMutex>

namespace content {

class TImageStore {
public:
    void Put(quint64 id, const QImage& image);
    QImage Get(quint64 id) const; // null when the id is unknown
    void Clear();

private:
    mutable QMutex mutex_;
    QHash<quint64, QImage> images_;
};

} // namespace content
