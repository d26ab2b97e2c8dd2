#include "dock_layout.h"

#include <QQuickItem>
#include <algorithm>
#include <numeric>

namespace dock {
namespace {

// Centring offsets are cut to whole pixels towards zero.
double CentreOffset(double room, double own) {
    return std::trunc((room - own) / 2);
}

double NonNegative(double v) {
    return std::max(0.0, v);
}

} // namespace

QList<QRectF> Arrange(const QSizeF& parentSize, const QList<Child>& children) {
    QList<QRectF> placed(children.size());
    QList<qsizetype> byOrder(children.size());
    std::iota(byOrder.begin(), byOrder.end(), 0);
    std::stable_sort(byOrder.begin(), byOrder.end(), [&](qsizetype a, qsizetype b) {
        return children[a].order < children[b].order;
    });

    // Passes in this order, all over one remaining rectangle.
    static constexpr Align kPasses[] = {
        Align::Top,      Align::Bottom, Align::Left,       Align::Right,      Align::Client,
        Align::Contents, Align::Center, Align::VertCenter, Align::HorzCenter, Align::None};
    double left = 0, top = 0, right = parentSize.width(), bottom = parentSize.height();

    for (Align pass : kPasses) {
        for (qsizetype i : byOrder) {
            const Child& c = children[i];
            if (c.align != pass)
                continue;
            const Margins& m = c.margins;
            const double w = c.declared.width(), h = c.declared.height();
            const double roomW = NonNegative(right - left - m.left - m.right);
            const double roomH = NonNegative(bottom - top - m.top - m.bottom);
            QRectF r;
            switch (pass) {
            case Align::Top:
                r = QRectF(left + m.left, top + m.top, roomW, h);
                if (c.visible)
                    top += m.top + h + m.bottom;
                break;
            case Align::Bottom:
                r = QRectF(left + m.left, bottom - m.bottom - h, roomW, h);
                if (c.visible)
                    bottom -= m.bottom + h + m.top;
                break;
            case Align::Left:
                r = QRectF(left + m.left, top + m.top, w, roomH);
                if (c.visible)
                    left += m.left + w + m.right;
                break;
            case Align::Right:
                r = QRectF(right - m.right - w, top + m.top, w, roomH);
                if (c.visible)
                    right -= m.right + w + m.left;
                break;
            case Align::Client:
                r = QRectF(left + m.left, top + m.top, roomW, roomH);
                break;
            case Align::Contents:
                r = QRectF(m.left, m.top, NonNegative(parentSize.width() - m.left - m.right),
                           NonNegative(parentSize.height() - m.top - m.bottom));
                break;
            case Align::Center:
                r = QRectF(left + m.left + CentreOffset(roomW, w),
                           top + m.top + CentreOffset(roomH, h), w, h);
                break;
            case Align::VertCenter:
                r = QRectF(left + m.left, top + m.top + CentreOffset(roomH, h), roomW, h);
                break;
            case Align::HorzCenter:
                r = QRectF(left + m.left + CentreOffset(roomW, w), top + m.top, w, roomH);
                break;
            case Align::None:
                r = c.declared;
                break;
            }
            placed[i] = r;
        }
    }
    return placed;
}

} // namespace dock

namespace {

// Lays out the docked children of one parent item; lives as that item's QObject child.
class TDockArranger : public QObject {
    Q_OBJECT
public:
    explicit TDockArranger(QQuickItem* parentItem) : QObject(parentItem), parent_(parentItem) {
        setObjectName(QStringLiteral("DockArranger"));
        connect(parentItem, &QQuickItem::widthChanged, this, &TDockArranger::Relayout);
        connect(parentItem, &QQuickItem::heightChanged, this, &TDockArranger::Relayout);
        connect(parentItem, &QQuickItem::childrenChanged, this, &TDockArranger::Relayout);
    }

    static TDockArranger* For(QQuickItem* parentItem) {
        auto* existing =
            parentItem->findChild<TDockArranger*>(QString(), Qt::FindDirectChildrenOnly);
        return existing ? existing : new TDockArranger(parentItem);
    }

    void Watch(QQuickItem* child, TDockAttached* dock) {
        // Own sizes and visibility feed the placement of the siblings.
        connect(dock, &TDockAttached::changed, this, &TDockArranger::Relayout,
                Qt::UniqueConnection);
        connect(child, &QQuickItem::widthChanged, this, &TDockArranger::Relayout,
                Qt::UniqueConnection);
        connect(child, &QQuickItem::heightChanged, this, &TDockArranger::Relayout,
                Qt::UniqueConnection);
        connect(child, &QQuickItem::visibleChanged, this, &TDockArranger::Relayout,
                Qt::UniqueConnection);
        Relayout();
    }

    void Relayout() {
        if (busy_)
            return; // our own size changes come back as signals
        busy_ = true;
        const QList<QQuickItem*> items = parent_->childItems();
        // Inside a hidden parent every child reads as hidden; place them as they will be shown,
        // so a dialog's rows are already in place when it opens.
        const bool parentShown = parent_->isVisible();
        QList<QQuickItem*> docked;
        QList<dock::Child> specs;
        for (qsizetype i = 0; i < items.size(); ++i) {
            auto* d =
                qobject_cast<TDockAttached*>(qmlAttachedPropertiesObject<TDock>(items[i], false));
            if (!d || d->align() == TDock::None)
                continue;
            docked.append(items[i]);
            specs.append(
                {dock::Align(d->align()), d->resolvedMargins(),
                 QRectF(items[i]->x(), items[i]->y(), items[i]->width(), items[i]->height()),
                 parentShown ? items[i]->isVisible() : true,
                 d->order() >= 0 ? d->order() : int(i)});
        }
        const QList<QRectF> placed = dock::Arrange(parent_->size(), specs);
        for (qsizetype i = 0; i < docked.size(); ++i)
            Apply(docked[i], specs[i].align, placed[i]);
        busy_ = false;
    }

private:
    // Sets only what the mode decides, so a child's own size keeps its binding.
    static void Apply(QQuickItem* item, dock::Align align, const QRectF& r) {
        item->setPosition(r.topLeft());
        const bool setsWidth = align != dock::Align::Left && align != dock::Align::Right &&
                               align != dock::Align::Center && align != dock::Align::HorzCenter;
        const bool setsHeight = align == dock::Align::Left || align == dock::Align::Right ||
                                align == dock::Align::Client || align == dock::Align::Contents ||
                                align == dock::Align::HorzCenter;
        if (setsWidth)
            item->setWidth(r.width());
        if (setsHeight)
            item->setHeight(r.height());
    }

    QQuickItem* parent_;
    bool busy_ = false;
};

} // namespace

TDockAttached* TDock::qmlAttachedProperties(QObject* object) {
    auto* item = qobject_cast<QQuickItem*>(object);
    return item ? new TDockAttached(item) : nullptr;
}

TDockAttached::TDockAttached(QQuickItem* item) : QObject(item), item_(item) {
    connect(item, &QQuickItem::parentChanged, this, &TDockAttached::attachToParent);
    attachToParent();
}

void TDockAttached::attachToParent() {
    parent_ = item_->parentItem();
    if (parent_)
        TDockArranger::For(parent_)->Watch(item_, this);
}

void TDockAttached::setAlign(TDock::Align align) {
    if (align_ == align)
        return;
    align_ = align;
    emit changed();
}

void TDockAttached::setMargins(double all) {
    if (margins_ == all)
        return;
    margins_ = all;
    emit changed();
}

void TDockAttached::setSide(double& field, double value) {
    if (field == value)
        return;
    field = value;
    emit changed();
}

void TDockAttached::setOrder(int order) {
    if (order_ == order)
        return;
    order_ = order;
    emit changed();
}

dock::Margins TDockAttached::resolvedMargins() const {
    return {leftMargin(), topMargin(), rightMargin(), bottomMargin()};
}

#include "dock_layout.moc"
