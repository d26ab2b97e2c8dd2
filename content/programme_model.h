#pragma once
// The programme list: one row per programme, in feed order.

#include "batched_list_model.h"

#include <QString>

namespace content {

struct TProgramme {
    QString name;
    QString description;
    QString programmeUrl; // read from the feed, shown nowhere
    quint64 id = 0;
    bool hasPicture = false;
};

class TProgrammeModel : public TBatchedListModel<TProgramme> {
    Q_OBJECT
public:
    enum Role {
        NameRole = Qt::UserRole + 1,
        DescriptionRole,
        ProgrammeUrlRole,
        PictureRole,
        RowHeightRole
    };
    static constexpr int kRowHeight = 135;

    using TBatchedListModel::TBatchedListModel;

    void Append(const QString& name, const QString& description, const QString& programmeUrl,
                const QImage& picture);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;
};

} // namespace content
