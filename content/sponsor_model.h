#pragma once
// The sponsor strip: one card per sponsor, in feed order.

#include "batched_list_model.h"

#include <QString>

namespace content {

struct TSponsor {
    QString name;        // Lbl_Razao_Social
    QString description; // Lbl_Descricao
    QString site;        // opened on a click
    quint64 id = 0;
    bool hasPicture = false;
};

class TSponsorModel : public TBatchedListModel<TSponsor> {
    Q_OBJECT
public:
    enum Role {
        NameRole = Qt::UserRole + 1,
        DescriptionRole,
        SiteRole,
        LogoRole,
        ItemWidthRole,
        ItemHeightRole
    };
    static constexpr int kItemWidth = 210;
    static constexpr int kItemHeight = 175;

    using TBatchedListModel::TBatchedListModel;

    void Append(const QString& name, const QString& description, const QString& site,
                const QImage& logo);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;
};

} // namespace content
