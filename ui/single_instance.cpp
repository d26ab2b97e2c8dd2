#include "single_instance.h"

#include "app_id.h"
#include "logging.h"
#include "tf_principal.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>

namespace {

const QString kServiceName = QString::fromLatin1(zelvorna::kAppId);
const QString kPath = QStringLiteral("/br/com/radiozelvorna/Ouvinte");
const QString kInterface = QStringLiteral("org.freedesktop.Application");

// org.freedesktop.Application, as desktop launchers call it: Activate raises the window.
class TApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    TApplicationAdaptor(TSingleInstance& instance, QObject* parent)
        : QDBusAbstractAdaptor(parent), instance_(instance) {}

public slots:
    void Activate(const QVariantMap& platformData) {
        instance_.Activate(platformData.value(QStringLiteral("activation-token")).toString());
    }
    // The station has no documents or actions: both only raise the window.
    void Open(const QStringList&, const QVariantMap& platformData) { Activate(platformData); }
    void ActivateAction(const QString&, const QVariantList&, const QVariantMap& platformData) {
        Activate(platformData);
    }

private:
    TSingleInstance& instance_;
};

// What the desktop gave this start to pass on: Wayland's token, X11's startup id.
QVariantMap PlatformData() {
    QVariantMap data;
    const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    if (!token.isEmpty())
        data.insert(QStringLiteral("activation-token"), token);
    const QString startupId = qEnvironmentVariable("DESKTOP_STARTUP_ID");
    if (!startupId.isEmpty())
        data.insert(QStringLiteral("desktop-startup-id"), startupId);
    return data;
}

} // namespace

TSingleInstance::TSingleInstance(QObject* parent) : QObject(parent) {}

TSingleInstance::~TSingleInstance() {
    if (!registered_)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(kServiceName);
    bus.unregisterObject(kPath);
}

TSingleInstance::Outcome TSingleInstance::Claim() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Outcome::Alone;
    // The object is there before the name, so a second start never finds the name without it.
    new TApplicationAdaptor(*this, this); // owned by this object, as adaptors are
    if (!bus.registerObject(kPath, this))
        return Outcome::Alone;
    const auto reply =
        bus.interface()->registerService(kServiceName, QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        registered_ = true;
        return Outcome::First;
    }
    bus.unregisterObject(kPath);
    if (HandOver())
        return Outcome::HandedOver;
    qCDebug(lcWindow) << "the running copy does not answer; starting another";
    return Outcome::Alone;
}

bool TSingleInstance::HandOver() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kServiceName, kPath, kInterface, QStringLiteral("Activate"));
    call << PlatformData();
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(call, QDBus::Block, kAnswerTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

void TSingleInstance::Activate(const QString& activationToken) {
    if (window_)
        window_->RaiseWindow(activationToken);
}

#include "single_instance.moc"
