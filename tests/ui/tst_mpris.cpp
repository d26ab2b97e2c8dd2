// The window on the media controls, read from a second connection to a session bus of the test's
// own: every MPRIS 2 property with the D-Bus type and value a desktop expects, track ids,
// one PlaybackStatus change per real change, and the names used when the usual one is taken.

#include "mpris.h"
#include "player_panel.h"
#include "single_instance.h"
#include "test_radios.h"
#include "tf_principal.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QTest>

namespace {

const QString kService = "org.mpris.MediaPlayer2.radiozelvorna";
const QString kPath = "/org/mpris/MediaPlayer2";
const QString kRoot = "org.mpris.MediaPlayer2";
const QString kPlayer = "org.mpris.MediaPlayer2.Player";
const QString kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

// What a panel or playerctl sees of the announcements.
class TChangeRecorder : public QObject {
    Q_OBJECT
public:
    QStringList statuses;
    QList<QVariantMap> metadata;

public slots:
    void PropertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList&) {
        if (interface != kPlayer)
            return;
        if (changed.contains("PlaybackStatus"))
            statuses.append(changed.value("PlaybackStatus").toString());
        if (changed.contains("Metadata"))
            metadata.append(qdbus_cast<QVariantMap>(changed.value("Metadata")));
    }
};

struct TFixture {
    std::shared_ptr<TFakeRadioState> radio = std::make_shared<TFakeRadioState>();
    std::unique_ptr<TF_Principal> window;
    std::unique_ptr<TMprisService> mpris;

    TFixture() {
        TF_Principal::Dependencies deps;
        deps.makeRadio = [state = radio] {
            return std::make_unique<TRadio>(std::make_unique<TFakeRadio>(state));
        };
        deps.siteHost = QStringLiteral("127.0.0.1:9");
        deps.visitStatistics = false;
        window = std::make_unique<TF_Principal>(std::move(deps));
        window->FormCreate();
        mpris = std::make_unique<TMprisService>(*window);
    }
    TPlayerPanel& player() { return *window->player(); }

    bool Press(const QList<bool>& results) {
        {
            std::lock_guard lock(radio->mutex);
            radio->playResults.assign(results.begin(), results.end());
        }
        player().PlayClick();
        return QTest::qWaitFor([&] { return !player().busy(); }, 5000);
    }
};

} // namespace

class TstMpris : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void propertiesAreWhatMprisDefines_data();
    void propertiesAreWhatMprisDefines();
    void metadataHasNoTrackWhenStoppedAndOwnTrackIdsWhilePlaying();
    void statusChangesOncePerRealChange();
    void aTakenNameGivesTheInstanceName();
    void aSilentOwnerOfTheApplicationNameLetsTheStartRunAlone();

private:
    QVariant Get(const QString& interface, const QString& name, const QString& service = kService);
    QDBusConnection probe() { return QDBusConnection(QStringLiteral("probe")); }

    QProcess bus_;
};

void TstMpris::initTestCase() {
    bus_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    QVERIFY2(bus_.waitForStarted(), "dbus-daemon is not installed");
    QVERIFY(QTest::qWaitFor([&] { return bus_.canReadLine(); }, 5000));
    const QByteArray address = bus_.readLine().trimmed();
    // Before the first use of the session bus by anything in this process.
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    QVERIFY(QDBusConnection::connectToBus(QString::fromUtf8(address), "probe").isConnected());
}

void TstMpris::cleanupTestCase() {
    QDBusConnection::disconnectFromBus("probe");
    bus_.kill();
    bus_.waitForFinished();
}

// Through the bus, as another process reads it; the service answers on this thread meanwhile.
QVariant TstMpris::Get(const QString& interface, const QString& name, const QString& service) {
    QDBusMessage get =
        QDBusMessage::createMethodCall(service, kPath, "org.freedesktop.DBus.Properties", "Get");
    get << interface << name;
    const QDBusMessage reply = probe().call(get, QDBus::BlockWithGui, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant();
}

void TstMpris::propertiesAreWhatMprisDefines_data() {
    QTest::addColumn<QString>("interface");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("value"); // its type is the D-Bus type MPRIS 2 defines

    QTest::addRow("CanQuit") << kRoot << "CanQuit" << QVariant(false);
    QTest::addRow("CanRaise") << kRoot << "CanRaise" << QVariant(true);
    QTest::addRow("HasTrackList") << kRoot << "HasTrackList" << QVariant(false);
    QTest::addRow("Identity") << kRoot << "Identity"
                              << QVariant(QString::fromUtf8("Rádio Zelvorna"));
    QTest::addRow("DesktopEntry") << kRoot << "DesktopEntry"
                                  << QVariant(QString("br.com.radiozelvorna.Ouvinte"));
    QTest::addRow("SupportedUriSchemes")
        << kRoot << "SupportedUriSchemes" << QVariant(QStringList{"http", "https"});
    QTest::addRow("PlaybackStatus") << kPlayer << "PlaybackStatus" << QVariant(QString("Stopped"));
    QTest::addRow("Rate") << kPlayer << "Rate" << QVariant(1.0);
    QTest::addRow("MinimumRate") << kPlayer << "MinimumRate" << QVariant(1.0);
    QTest::addRow("MaximumRate") << kPlayer << "MaximumRate" << QVariant(1.0);
    QTest::addRow("Volume") << kPlayer << "Volume" << QVariant(0.5);
    QTest::addRow("Position") << kPlayer << "Position" << QVariant(qlonglong(0));
    QTest::addRow("CanGoNext") << kPlayer << "CanGoNext" << QVariant(false);
    QTest::addRow("CanGoPrevious") << kPlayer << "CanGoPrevious" << QVariant(false);
    QTest::addRow("CanPlay") << kPlayer << "CanPlay" << QVariant(true);
    QTest::addRow("CanPause") << kPlayer << "CanPause" << QVariant(true);
    QTest::addRow("CanSeek") << kPlayer << "CanSeek" << QVariant(false);
    QTest::addRow("CanControl") << kPlayer << "CanControl" << QVariant(true);
}

void TstMpris::propertiesAreWhatMprisDefines() {
    QFETCH(QString, interface);
    QFETCH(QString, name);
    QFETCH(QVariant, value);
    TFixture f;
    QVERIFY(f.mpris->Registered());
    const QVariant actual = Get(interface, name);
    QCOMPARE(actual.metaType(), value.metaType());
    QCOMPARE(actual, value);
}

void TstMpris::metadataHasNoTrackWhenStoppedAndOwnTrackIdsWhilePlaying() {
    TFixture f;
    const auto metadata = [&] { return qdbus_cast<QVariantMap>(Get(kPlayer, "Metadata")); };
    const auto trackId = [](const QVariantMap& m) {
        return qvariant_cast<QDBusObjectPath>(m.value("mpris:trackid")).path();
    };
    QCOMPARE(metadata().keys(), QStringList{"mpris:trackid"});
    QCOMPARE(trackId(metadata()), kNoTrack);

    QVERIFY(f.Press({true}));
    f.player().ReportStreamTitle(QString::fromUtf8("Artista - Canção"));
    QTRY_COMPARE(metadata().value("xesam:title").toString(), QString::fromUtf8("Canção"));
    const QVariantMap playing = metadata();
    QCOMPARE(playing.value("xesam:artist").toStringList(), QStringList{"Artista"});
    QVERIFY2(!trackId(playing).startsWith("/org/mpris"), qPrintable(trackId(playing)));

    f.player().ReportStreamTitle("Outra");
    QTRY_COMPARE(metadata().value("xesam:title").toString(), QString("Outra"));
    QVERIFY(trackId(metadata()) != trackId(playing));

    f.player().StopClick();
    QCOMPARE(metadata().keys(), QStringList{"mpris:trackid"});
    QCOMPARE(trackId(metadata()), kNoTrack);
}

void TstMpris::statusChangesOncePerRealChange() {
    TFixture f;
    TChangeRecorder recorder;
    QVERIFY(probe().connect(kService, kPath, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                            &recorder, SLOT(PropertiesChanged(QString, QVariantMap, QStringList))));
    QVERIFY(f.Press({true}));         // play
    QVERIFY(f.Press({}));             // pause
    QVERIFY(f.Press({false, false})); // a resume that fails
    QVERIFY(f.Press({true}));         // play again
    f.player().StopClick();           // stop
    f.player().StopClick();           // and again: no change
    const QStringList expected{"Playing", "Paused", "Stopped", "Playing", "Stopped"};
    QTRY_COMPARE(recorder.statuses, expected);
    QTest::qWait(100);
    QCOMPARE(recorder.statuses, expected);
}

// A copy that holds the usual name without answering must not keep this one off the controls.
void TstMpris::aTakenNameGivesTheInstanceName() {
    {
        QDBusConnection holder = QDBusConnection::connectToBus(
            qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), "holder");
        QVERIFY(holder.registerService(kService));
        TFixture f;
        const QString own =
            kService + ".instance" + QString::number(QCoreApplication::applicationPid());
        QCOMPARE(f.mpris->ServiceName(), own);
        QVERIFY(probe().interface()->isServiceRegistered(own));
        QCOMPARE(Get(kPlayer, "PlaybackStatus", own).toString(), QString("Stopped"));
    }
    QDBusConnection::disconnectFromBus("holder");
}

void TstMpris::aSilentOwnerOfTheApplicationNameLetsTheStartRunAlone() {
    const QString name = "br.com.radiozelvorna.Ouvinte";
    {
        QDBusConnection holder = QDBusConnection::connectToBus(
            qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), "holder");
        QVERIFY(holder.registerService(name));
        TSingleInstance instance;
        QCOMPARE(instance.Claim(), TSingleInstance::Outcome::Alone);
    }
    QDBusConnection::disconnectFromBus("holder");
    // Once the name is free, a start owns it.
    QTRY_VERIFY(!probe().interface()->isServiceRegistered(name));
    TSingleInstance first;
    QCOMPARE(first.Claim(), TSingleInstance::Outcome::First);
    QVERIFY(probe().interface()->isServiceRegistered(name));
}

QTEST_MAIN(TstMpris)
#include "tst_mpris.moc"
