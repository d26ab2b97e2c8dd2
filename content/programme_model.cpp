#include "programme_model.h"

namespace content {

void TProgrammeModel::Append(const QString& name, const QString& description,
                             const QString& programmeUrl, const QImage& picture) {
    AppendRow(TProgramme{name, description, programmeUrl}, picture);
}

QVariant TProgrammeModel::data(const QModelIndex& index, int role) const {
    const TProgramme* programme = RowAt(index);
    if (!programme)
        return {};
    switch (role) {
    case NameRole:
        return programme->name;
    case DescriptionRole:
        return programme->description;
    case ProgrammeUrlRole:
        return programme->programmeUrl;
    case PictureRole:
        return programme->hasPicture
                   ? QStringLiteral("image://content/programme/%1").arg(programme->id)
                   : QString();
    case RowHeightRole:
        return kRowHeight;
    default:
        return {};
    }
}

QHash<int, QByteArray> TProgrammeModel::roleNames() const {
    return {{NameRole, "name"},
            {DescriptionRole, "description"},
            {ProgrammeUrlRole, "programmeUrl"},
            {PictureRole, "picture"},
            {RowHeightRole, "rowHeight"}};
}

} // namespace content
