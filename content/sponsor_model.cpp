#include "sponsor_model.h"

namespace content {

void TSponsorModel::Append(const QString& name, const QString& description, const QString& site,
                           const QImage& logo) {
    AppendRow(TSponsor{name, description, site}, logo);
}

QVariant TSponsorModel::data(const QModelIndex& index, int role) const {
    const TSponsor* sponsor = RowAt(index);
    if (!sponsor)
        return {};
    switch (role) {
    case NameRole:
        return sponsor->name;
    case DescriptionRole:
        return sponsor->description;
    case SiteRole:
        return sponsor->site;
    case LogoRole:
        return sponsor->hasPicture ? QStringLiteral("image://content/sponsor/%1").arg(sponsor->id)
                                   : QString();
    case ItemWidthRole:
        return kItemWidth;
    case ItemHeightRole:
        return kItemHeight;
    default:
        return {};
    }
}

QHash<int, QByteArray> TSponsorModel::roleNames() const {
    return {{NameRole, "name"}, {DescriptionRole, "description"}, {SiteRole, "site"},
            {LogoRole, "logo"}, {ItemWidthRole, "itemWidth"},     {ItemHeightRole, "itemHeight"}};
}

} // namespace content
