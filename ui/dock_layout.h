#pragma once
// Docking of the window's declared tree: every child carries an alignment mode and margins
// (attached property Dock), and its parent places the docked children in passes over one
// remaining rectangle, so the column reflows when the window is resized.
//
//   Item { Rectangle { Dock.align: Dock.Top; Dock.topMargin: 2; height: 69 } }

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QtQml/qqmlregistration.h>
#include <cmath>

class QQuickItem;

namespace dock {

enum class Align {
    None,
    Top,
    Bottom,
    Left,
    Right,
    Client,
    Contents,
    Center,
    VertCenter,
    HorzCenter
};

struct Margins {
    double left = 0, top = 0, right = 0, bottom = 0;
};

struct Child {
    Align align = Align::None;
    Margins margins;
    QRectF declared;     // position (used by None) and own size
    bool visible = true; // hidden children are placed but take no room from their siblings
    int order = 0;       // stacking order among children of the same mode
};

// Places children inside a parent of the given size; result i belongs to children[i].
QList<QRectF> Arrange(const QSizeF& parentSize, const QList<Child>& children);

} // namespace dock

class TDockAttached;

class TDock : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Dock)
    QML_UNCREATABLE("Dock is an attached property")
    QML_ATTACHED(TDockAttached)
public:
    enum Align {
        None = int(dock::Align::None),
        Top = int(dock::Align::Top),
        Bottom = int(dock::Align::Bottom),
        Left = int(dock::Align::Left),
        Right = int(dock::Align::Right),
        Client = int(dock::Align::Client),
        Contents = int(dock::Align::Contents),
        Center = int(dock::Align::Center),
        VertCenter = int(dock::Align::VertCenter),
        HorzCenter = int(dock::Align::HorzCenter)
    };
    Q_ENUM(Align)

    static TDockAttached* qmlAttachedProperties(QObject* object);
};

// Per-child settings. Side margins left unset fall back to `margins`.
class TDockAttached : public QObject {
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(TDock::Align align READ align WRITE setAlign NOTIFY changed)
    Q_PROPERTY(double margins READ margins WRITE setMargins NOTIFY changed)
    Q_PROPERTY(double leftMargin READ leftMargin WRITE setLeftMargin NOTIFY changed)
    Q_PROPERTY(double topMargin READ topMargin WRITE setTopMargin NOTIFY changed)
    Q_PROPERTY(double rightMargin READ rightMargin WRITE setRightMargin NOTIFY changed)
    Q_PROPERTY(double bottomMargin READ bottomMargin WRITE setBottomMargin NOTIFY changed)
    // Declaration order for stacking where it differs from the z-order (-1: the z-order).
    Q_PROPERTY(int order READ order WRITE setOrder NOTIFY changed)
public:
    explicit TDockAttached(QQuickItem* item);

    TDock::Align align() const { return align_; }
    void setAlign(TDock::Align align);
    double margins() const { return margins_; }
    void setMargins(double all);
    double leftMargin() const { return side(left_); }
    void setLeftMargin(double m) { setSide(left_, m); }
    double topMargin() const { return side(top_); }
    void setTopMargin(double m) { setSide(top_, m); }
    double rightMargin() const { return side(right_); }
    void setRightMargin(double m) { setSide(right_, m); }
    double bottomMargin() const { return side(bottom_); }
    void setBottomMargin(double m) { setSide(bottom_, m); }
    int order() const { return order_; }
    void setOrder(int order);

    dock::Margins resolvedMargins() const;

signals:
    void changed();

private:
    double side(double value) const { return std::isnan(value) ? margins_ : value; }
    void setSide(double& field, double value);
    void attachToParent();

    QQuickItem* item_;
    QPointer<QQuickItem> parent_;
    TDock::Align align_ = TDock::None;
    double margins_ = 0;
    double left_ = NAN, top_ = NAN, right_ = NAN, bottom_ = NAN;
    int order_ = -1;
};
