#pragma once
// A list model of rows that holds back rows appended during an update, so a view lays them out
// once, when the update ends. Each row's picture lives in an image store under an id that is
// never reused, so a view's cached picture of a removed row can never show up again.

#include "image_store.h"

#include <QAbstractListModel>
#include <QImage>
#include <QList>
#include <memory>

namespace content {

// The signals of every batched model (a template cannot declare them).
class TBatchedListModelBase : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

signals:
    void updateEnded(); // the outermost EndUpdate has inserted the held rows
};

template <class Row> class TBatchedListModel : public TBatchedListModelBase {
public:
    explicit TBatchedListModel(QObject* parent = nullptr) : TBatchedListModelBase(parent) {}

    // Updates nest; rows appended meanwhile are inserted together by the outermost EndUpdate.
    void BeginUpdate() { ++updateDepth_; }
    void EndUpdate() {
        if (updateDepth_ == 0)
            return;
        if (--updateDepth_ == 0) {
            InsertRows(std::exchange(held_, {}));
            emit updateEnded();
        }
    }
    bool InUpdate() const { return updateDepth_ > 0; }

    // Rows shown plus rows held back by a running update.
    int Count() const { return int(rows_.size() + held_.size()); }

    void Clear() {
        held_.clear();
        if (!rows_.isEmpty()) {
            beginResetModel();
            rows_.clear();
            endResetModel();
        }
        images_->Clear();
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : int(rows_.size());
    }

    // A shown row (0 <= index < rowCount()).
    const Row& At(int index) const { return rows_.at(index); }
    std::shared_ptr<TImageStore> Images() const { return images_; }

protected:
    // Appends row (inserted now, or at the end of the running update) with its picture.
    void AppendRow(Row row, const QImage& picture) {
        row.id = nextId_++;
        row.hasPicture = !picture.isNull();
        if (row.hasPicture)
            images_->Put(row.id, picture);
        if (InUpdate())
            held_.append(std::move(row));
        else
            InsertRows({std::move(row)});
    }

    const Row* RowAt(const QModelIndex& index) const {
        if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
            return nullptr;
        return &rows_.at(index.row());
    }

private:
    void InsertRows(QList<Row> rows) {
        if (rows.isEmpty())
            return;
        const int first = int(rows_.size());
        beginInsertRows(QModelIndex(), first, first + int(rows.size()) - 1);
        rows_.append(std::move(rows));
        endInsertRows();
    }

    QList<Row> rows_;
    QList<Row> held_;
    int updateDepth_ = 0;
    quint64 nextId_ = 1;
    std::shared_ptr<TImageStore> images_ = std::make_shared<TImageStore>();
};

} // namespace content
