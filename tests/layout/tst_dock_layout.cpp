// The placement passes on their own: one remaining rectangle, modes in a fixed order, centring
// cut to whole pixels, hidden children taking no room.

#include "dock_layout.h"

#include <QtTest>

using dock::Align;
using dock::Child;

Q_DECLARE_METATYPE(QList<Child>)

class TstDockLayout : public QObject {
    Q_OBJECT

private slots:
    void arrange_data();
    void arrange();
};

namespace {

Child Make(Align align, QRectF declared, dock::Margins m = {}, int order = 0, bool visible = true) {
    return Child{align, m, declared, visible, order};
}

} // namespace

void TstDockLayout::arrange_data() {
    QTest::addColumn<QSizeF>("parent");
    QTest::addColumn<QList<Child>>("children");
    QTest::addColumn<QList<QRectF>>("expected");

    // Top children stack in their stacking order, not the order they are listed in.
    QTest::addRow("tops stack by order with margins")
        << QSizeF(424, 967)
        << QList<Child>{Make(Align::Top, {0, 0, 0, 50}, {}, 0),
                        Make(Align::Top, {0, 0, 0, 110}, {0, 10, 0, 0}, 2),
                        Make(Align::Top, {0, 0, 0, 69}, {0, 2, 0, 0}, 1)}
        << QList<QRectF>{{0, 0, 424, 50}, {0, 131, 424, 110}, {0, 52, 424, 69}};

    // Bottom is placed before Client whatever the listing order; Client fills what is left.
    QTest::addRow("client fills between top and bottom")
        << QSizeF(424, 967)
        << QList<Child>{Make(Align::Client, {}, {0, 0, 0, 3}), Make(Align::Bottom, {0, 0, 0, 61}),
                        Make(Align::Top, {0, 0, 0, 241})}
        << QList<QRectF>{{0, 241, 424, 662}, {0, 906, 424, 61}, {0, 0, 424, 241}};

    QTest::addRow("left and right narrow the rest")
        << QSizeF(424, 20)
        << QList<Child>{Make(Align::Left, {0, 0, 35, 0}), Make(Align::Right, {0, 0, 35, 0}),
                        Make(Align::Client, {})}
        << QList<QRectF>{{0, 0, 35, 20}, {389, 0, 35, 20}, {35, 0, 354, 20}};

    // Contents ignores docked siblings; None keeps its declared place.
    QTest::addRow("contents and none ignore the rest")
        << QSizeF(424, 69)
        << QList<Child>{Make(Align::Left, {0, 0, 50, 0}, {8, 2, 0, 2}),
                        Make(Align::Contents, {}, {5, 5, 5, 5}),
                        Make(Align::None, {20, 15, 40, 48})}
        << QList<QRectF>{{8, 2, 50, 65}, {5, 5, 414, 59}, {20, 15, 40, 48}};

    // (665 - 328) / 2 = 168.5 is cut to 168; (424 - 341) / 2 = 41.5 to 41.
    QTest::addRow("center cuts offsets to whole pixels")
        << QSizeF(424, 967)
        << QList<Child>{Make(Align::Top, {0, 0, 0, 241}), Make(Align::Bottom, {0, 0, 0, 61}),
                        Make(Align::Center, {0, 0, 341, 328})}
        << QList<QRectF>{{0, 0, 424, 241}, {0, 906, 424, 61}, {41, 409, 341, 328}};

    QTest::addRow("vertcenter takes full width")
        << QSizeF(424, 989) << QList<Child>{Make(Align::VertCenter, {0, 0, 10, 494})}
        << QList<QRectF>{{0, 247, 424, 494}};

    // Wider than the room: centred by a negative offset, still whole pixels.
    QTest::addRow("horzcenter wider than the room")
        << QSizeF(210, 105) << QList<Child>{Make(Align::HorzCenter, {0, 0, 210, 0}, {15, 0, 15, 0})}
        << QList<QRectF>{{0, 0, 210, 105}};

    QTest::addRow("hidden top takes no room")
        << QSizeF(100, 100)
        << QList<Child>{Make(Align::Top, {0, 0, 0, 30}, {}, 0, false),
                        Make(Align::Top, {0, 0, 0, 20}, {}, 1)}
        << QList<QRectF>{{0, 0, 100, 30}, {0, 0, 100, 20}};

    QTest::addRow("no room left gives zero size, not negative")
        << QSizeF(40, 30)
        << QList<Child>{Make(Align::Left, {0, 0, 35, 0}), Make(Align::Right, {0, 0, 35, 0}),
                        Make(Align::Client, {})}
        << QList<QRectF>{{0, 0, 35, 30}, {5, 0, 35, 30}, {35, 0, 0, 30}};
}

void TstDockLayout::arrange() {
    QFETCH(QSizeF, parent);
    QFETCH(QList<Child>, children);
    QFETCH(QList<QRectF>, expected);
    QCOMPARE(dock::Arrange(parent, children), expected);
}

QTEST_GUILESS_MAIN(TstDockLayout)
#include "tst_dock_layout.moc"
