// The listener profile's greeting, name dialog and outside links, with the settings file in a
// temporary folder.

#include "file_size_limit.h"
#include "ini_file.h"
#include "link_recorder.h"
#include "listener_profile.h"
#include "station_addresses.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using ShowMode = profile::TLinkOpener::ShowMode;

namespace {

const QString kSection = QStringLiteral("Ouvinte");
constexpr char kConfirmLoopFlag[] = "--confirm-loop";

} // namespace

class TstGreetingFlow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startGreetsOrAsksForName_data();
    void startGreetsOrAsksForName();
    void confirmedNameIsBareNowAndGreetedNextStart();
    void switchDecidesWhetherNamelessStartAsksAgain_data();
    void switchDecidesWhetherNamelessStartAsksAgain();
    void pencilWithoutFileDoesNothing();
    void pencilReloadsStoredValuesAfterCancel();
    void confirmRecreatesRemovedFile();
    void refusedNameWriteKeepsLabelAndDialog();
    void cutShortWriteKeepsNeitherValue();
    void killDuringConfirmKeepsBothOrNeither();
    void linksCarryOnlyFixedAddresses();
    void settingsFileLocation_data();
    void settingsFileLocation();
    void twoListenersKeepTheirOwnNames();

private:
    // A profile on the settings file at path, greeting as the window's creation does.
    std::unique_ptr<profile::TListenerProfile> Start(const QString& path);
    std::unique_ptr<profile::TListenerProfile> Start() { return Start(path_); }
    void Store(const QByteArray& bytes, const QString& path);
    void Store(const QByteArray& bytes) { Store(bytes, path_); }
    QString Stored(const QString& key) const {
        return profile::TIniFile(path_).ReadString(kSection, key, QStringLiteral("<absent>"));
    }

    std::unique_ptr<QTemporaryDir> dir_;
    QString path_;
    QStringList errors_;
    std::shared_ptr<TRecordingOpener> opener_;
    int focusRequests_ = 0;
};

void TstGreetingFlow::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    path_ = dir_->filePath("Configuracao.ini");
    errors_.clear();
    opener_ = std::make_shared<TRecordingOpener>();
    focusRequests_ = 0;
}

void TstGreetingFlow::cleanup() {
    dir_.reset();
}

std::unique_ptr<profile::TListenerProfile> TstGreetingFlow::Start(const QString& path) {
    profile::TListenerProfile::Dependencies deps;
    deps.settingsPath = path;
    deps.linkOpener = opener_;
    deps.showDefaultError = [this](const QString& text) { errors_.append(text); };
    const auto addresses = zelvorna::TStationAddresses::From("radio.example", "radio.example:8080",
                                                             "pedidos@radio.example");
    deps.promotionsPage = addresses.promotionsPage;
    deps.songRequest = addresses.songRequest;
    auto window = std::make_unique<profile::TListenerProfile>(std::move(deps));
    connect(window.get(), &profile::TListenerProfile::nameEditFocusRequested, this,
            [this] { ++focusRequests_; });
    window->RunGreetingStep();
    return window;
}

void TstGreetingFlow::Store(const QByteArray& bytes, const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void TstGreetingFlow::startGreetsOrAsksForName_data() {
    QTest::addColumn<QByteArray>("file"); // empty: no file
    QTest::addColumn<QString>("greeting");
    QTest::addColumn<bool>("dialogShown");

    QTest::addRow("no file") << QByteArray() << "" << false;
    QTest::addRow("name stored") << QByteArray("[Ouvinte]\nNome_do_Ouvinte=Ana\n")
                                 << QString::fromUtf8("Olá, Ana") << false;
    QTest::addRow("name and Sim") << QByteArray("[Ouvinte]\nNome_do_Ouvinte=Ana\n"
                                                "Receber_Notificacoes=Sim\n")
                                  << QString::fromUtf8("Olá, Ana") << false;
    QTest::addRow("Sim without name")
        << QByteArray("[Ouvinte]\nReceber_Notificacoes=Sim\n") << "" << true;
    QTest::addRow("Sim with empty name")
        << QByteArray("[Ouvinte]\nNome_do_Ouvinte=\nReceber_Notificacoes=Sim\n") << "" << true;
    QTest::addRow("sim in small letters")
        << QByteArray("[Ouvinte]\nReceber_Notificacoes=sim\n") << "" << false;
    QTest::addRow("SIM in capitals")
        << QByteArray("[Ouvinte]\nReceber_Notificacoes=SIM\n") << "" << false;
    QTest::addRow("neither key") << QByteArray("[Ouvinte]\n") << "" << false;
}

void TstGreetingFlow::startGreetsOrAsksForName() {
    QFETCH(QByteArray, file);
    QFETCH(QString, greeting);
    QFETCH(bool, dialogShown);
    if (!file.isEmpty())
        Store(file);
    const auto window = Start();
    QCOMPARE(window->greetingText(), greeting);
    QCOMPARE(window->nameDialogVisible(), dialogShown);
    QCOMPARE(focusRequests_, dialogShown ? 1 : 0);
    QCOMPARE(window->nameText(), QString());
    QCOMPARE(window->emailText(), QString());
    QVERIFY(errors_.isEmpty());
}

void TstGreetingFlow::confirmedNameIsBareNowAndGreetedNextStart() {
    Store("[Ouvinte]\nNome_do_Ouvinte=Ana\n");
    {
        const auto window = Start();
        QCOMPARE(window->greetingText(), QString::fromUtf8("Olá, Ana"));
        window->EditNameClick();
        window->setNameText("Bia");
        window->setEmailText("bia@example");
        window->ConfirmClick();
        QCOMPARE(window->greetingText(), QStringLiteral("Bia"));
        QVERIFY(!window->nameDialogVisible());
    }
    QCOMPARE(Stored("Nome_do_Ouvinte"), QStringLiteral("Bia"));
    QCOMPARE(Stored("Email_do_Ouvinte"), QStringLiteral("bia@example"));
    QCOMPARE(Start()->greetingText(), QString::fromUtf8("Olá, Bia"));
    QVERIFY(errors_.isEmpty());
}

void TstGreetingFlow::switchDecidesWhetherNamelessStartAsksAgain_data() {
    QTest::addColumn<bool>("switchOn");
    QTest::addColumn<QString>("stored");
    QTest::addRow("on") << true << "Sim";
    QTest::addRow("off") << false << QString::fromUtf8("Não");
}

void TstGreetingFlow::switchDecidesWhetherNamelessStartAsksAgain() {
    QFETCH(bool, switchOn);
    QFETCH(QString, stored);
    Store("[Ouvinte]\nReceber_Notificacoes=Sim\n");
    {
        const auto window = Start();
        QVERIFY(window->nameDialogVisible());
        QVERIFY(window->notificationsOn()); // on at start
        window->setNotificationsOn(switchOn);
        window->ConfirmClick(); // with the empty name
        QVERIFY(!window->nameDialogVisible());
    }
    QCOMPARE(Stored("Nome_do_Ouvinte"), QString());
    QCOMPARE(Stored("Receber_Notificacoes"), stored);
    focusRequests_ = 0;
    const auto next = Start();
    QCOMPARE(next->nameDialogVisible(), switchOn);
    // The pencil shows the stored answer, so confirming again keeps it.
    next->setNotificationsOn(!switchOn);
    next->EditNameClick();
    QCOMPARE(next->notificationsOn(), switchOn);
}

void TstGreetingFlow::pencilWithoutFileDoesNothing() {
    const auto window = Start();
    window->EditNameClick();
    QVERIFY(!window->nameDialogVisible());
    QCOMPARE(window->greetingText(), QString());
    QCOMPARE(focusRequests_, 0);
    QVERIFY(!QFile::exists(path_));
}

void TstGreetingFlow::pencilReloadsStoredValuesAfterCancel() {
    Store("[Ouvinte]\nNome_do_Ouvinte=Ana\nEmail_do_Ouvinte=ana@example\n");
    const auto window = Start();
    QSignalSpy nameChanges(window.get(), &profile::TListenerProfile::nameTextChanged);
    window->EditNameClick();
    QVERIFY(window->nameDialogVisible());
    QCOMPARE(window->nameText(), QStringLiteral("Ana"));
    QCOMPARE(window->emailText(), QStringLiteral("ana@example"));
    QCOMPARE(focusRequests_, 1);

    window->setNameText("Typed");
    window->setEmailText("typed@example");
    window->CancelClick();
    QVERIFY(!window->nameDialogVisible());
    QCOMPARE(window->nameText(), QStringLiteral("Typed")); // hidden edits keep their text
    QCOMPARE(Stored("Nome_do_Ouvinte"), QStringLiteral("Ana"));

    window->EditNameClick();
    QCOMPARE(window->nameText(), QStringLiteral("Ana"));
    QCOMPARE(window->emailText(), QStringLiteral("ana@example"));
    QCOMPARE(focusRequests_, 2);
    QCOMPARE(nameChanges.count(), 3);
}

void TstGreetingFlow::confirmRecreatesRemovedFile() {
    Store("[Ouvinte]\nNome_do_Ouvinte=Ana\n");
    const auto window = Start();
    window->EditNameClick();
    QVERIFY(QFile::remove(path_));
    window->setNameText("Bia");
    window->setEmailText("sem-arroba"); // stored as typed
    window->ConfirmClick();
    QCOMPARE(Stored("Nome_do_Ouvinte"), QStringLiteral("Bia"));
    QCOMPARE(Stored("Email_do_Ouvinte"), QStringLiteral("sem-arroba"));
    QVERIFY(!window->nameDialogVisible());
    QVERIFY(errors_.isEmpty());
}

// The folder turns into a plain file while the dialog is open: a refused write even for root.
void TstGreetingFlow::refusedNameWriteKeepsLabelAndDialog() {
    const QString folder = dir_->filePath("app");
    QVERIFY(QDir().mkdir(folder));
    path_ = folder + "/Configuracao.ini";
    Store("[Ouvinte]\nNome_do_Ouvinte=Ana\n");
    const auto window = Start();
    window->EditNameClick();
    QVERIFY(QDir(folder).removeRecursively());
    Store("not a folder", folder);
    window->setNameText("Bia");
    window->ConfirmClick();
    QCOMPARE(errors_, QStringList{"Unable to write to " + path_ + "."});
    QCOMPARE(window->greetingText(), QString::fromUtf8("Olá, Ana"));
    QVERIFY(window->nameDialogVisible());
}

// Room on the disk for the name but not for the longer e-mail line: the one replacement of the
// file is refused whole, so neither value is stored, nor shown.
void TstGreetingFlow::cutShortWriteKeepsNeitherValue() {
    const QByteArray before = "[Ouvinte]\nNome_do_Ouvinte=Ana\nEmail_do_Ouvinte=a@b\n";
    Store(before);
    const auto window = Start();
    window->EditNameClick();
    window->setNameText("Bia");
    window->setEmailText("bia.conceicao@radiozelvorna.example");
    {
        const TFileSizeLimit fullDisk(before.size() + 8);
        window->ConfirmClick();
    }
    QCOMPARE(errors_, QStringList{"Unable to write to " + path_ + "."});
    QCOMPARE(Stored("Nome_do_Ouvinte"), QStringLiteral("Ana"));
    QCOMPARE(Stored("Email_do_Ouvinte"), QStringLiteral("a@b"));
    QCOMPARE(window->greetingText(), QString::fromUtf8("Olá, Ana"));
    QVERIFY(window->nameDialogVisible());
}

// A process killed while it confirms leaves a file with both new values or neither: each
// confirm stores "Nome N" with "email-N", and whatever the kill interrupted, the two match.
void TstGreetingFlow::killDuringConfirmKeepsBothOrNeither() {
    Store("[Ouvinte]\nNome_do_Ouvinte=Nome 0\nEmail_do_Ouvinte=email-0\n");
    for (int round = 0; round < 12; ++round) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {kConfirmLoopFlag, path_});
        QVERIFY(child.waitForStarted());
        QTest::qWait(40 + 17 * round);
        child.kill();
        QVERIFY(child.waitForFinished(5000));
        const QString name = Stored("Nome_do_Ouvinte");
        const QString email = Stored("Email_do_Ouvinte");
        QVERIFY2(name.startsWith("Nome ") && email == "email-" + name.mid(5),
                 qPrintable(name + " / " + email));
    }
}

void TstGreetingFlow::linksCarryOnlyFixedAddresses() {
    Store("[Ouvinte]\nNome_do_Ouvinte=Ana\nEmail_do_Ouvinte=ana@example\n");
    const auto window = Start();
    window->EditNameClick();
    window->SongRequestClick();
    window->PromotionsClick();
    window->SongRequestClick();
    QCOMPARE(opener_->Links(), (QStringList{"mailto:pedidos@radio.example",
                                            "https://radio.example:8080/promocoes.php",
                                            "mailto:pedidos@radio.example"}));
    QList<ShowMode> modes;
    for (const TOpened& entry : opener_->opened)
        modes.append(entry.mode);
    QCOMPARE(modes, (QList<ShowMode>{ShowMode::Normal, ShowMode::Maximized, ShowMode::Normal}));
}

// Real folders for the executable, the listener's configuration and the system's: which file
// the application reads and which it writes.
void TstGreetingFlow::settingsFileLocation_data() {
    QTest::addColumn<bool>("beside");        // Configuracao.ini beside the executable
    QTest::addColumn<bool>("own");           // the listener's own file
    QTest::addColumn<bool>("systemDefault"); // the system's default
    QTest::addColumn<QString>("greeting");
    QTest::addColumn<bool>("asked");      // the dialog opens at start
    QTest::addColumn<QString>("written"); // "beside" or "own"
    QTest::addRow("portable copy") << true << true << true << "Olá, Portátil" << false << "beside";
    QTest::addRow("listener's own file")
        << false << true << true << "Olá, Própria" << false << "own";
    QTest::addRow("system default for a new listener")
        << false << false << true << "" << true << "own";
    QTest::addRow("nothing at all") << false << false << false << "" << false << "own";
}

void TstGreetingFlow::settingsFileLocation() {
    QFETCH(bool, beside);
    QFETCH(bool, own);
    QFETCH(bool, systemDefault);
    QFETCH(QString, greeting);
    QFETCH(bool, asked);
    QFETCH(QString, written);
    const QString exeDir = dir_->filePath("bin");
    const QString home = dir_->filePath("home-config");
    const QString etc = dir_->filePath("etc-xdg");
    for (const QString& folder : {exeDir, home + "/radio-zelvorna", etc + "/radio-zelvorna"})
        QVERIFY(QDir().mkpath(folder));
    qputenv("XDG_CONFIG_HOME", home.toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", etc.toLocal8Bit());
    if (beside)
        Store("[Ouvinte]\nNome_do_Ouvinte=Portátil\n", exeDir + "/Configuracao.ini");
    if (own)
        Store("[Ouvinte]\nNome_do_Ouvinte=Própria\n", home + "/radio-zelvorna/Configuracao.ini");
    if (systemDefault)
        Store("[Ouvinte]\nReceber_Notificacoes=Sim\n", etc + "/radio-zelvorna/Configuracao.ini");

    const profile::TSettingsFiles files = profile::SettingsFiles(exeDir);
    profile::TListenerProfile window({files.own, files.systemDefault, opener_,
                                      [this](const QString& text) { errors_.append(text); },
                                      QString(), QString()});
    window.RunGreetingStep();
    QCOMPARE(window.greetingText(), greeting);
    QCOMPARE(window.nameDialogVisible(), asked);

    window.setNameText("Nova");
    window.ConfirmClick();
    QVERIFY(errors_.isEmpty());
    const QString expected = written == "beside" ? exeDir + "/Configuracao.ini"
                                                 : home + "/radio-zelvorna/Configuracao.ini";
    QCOMPARE(profile::TIniFile(expected).ReadString(kSection, "Nome_do_Ouvinte", "?"),
             QString("Nova"));
    if (systemDefault) // the system's file is only read
        QCOMPARE(profile::TIniFile(etc + "/radio-zelvorna/Configuracao.ini")
                     .ReadString(kSection, "Nome_do_Ouvinte", "<absent>"),
                 QString("<absent>"));
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CONFIG_DIRS");
}

// One installed copy, two listeners: each greets by their own name.
void TstGreetingFlow::twoListenersKeepTheirOwnNames() {
    const QString exeDir = dir_->filePath("usr-bin");
    QVERIFY(QDir().mkpath(exeDir));
    QStringList greetings;
    for (const QString& name : {QStringLiteral("Ana"), QStringLiteral("Bia")}) {
        qputenv("XDG_CONFIG_HOME", dir_->filePath("home-" + name).toLocal8Bit());
        const profile::TSettingsFiles files = profile::SettingsFiles(exeDir);
        profile::TListenerProfile first({files.own, files.systemDefault, opener_, {}, {}, {}});
        first.setNameText(name);
        first.ConfirmClick();
    }
    for (const QString& name : {QStringLiteral("Ana"), QStringLiteral("Bia")}) {
        qputenv("XDG_CONFIG_HOME", dir_->filePath("home-" + name).toLocal8Bit());
        const profile::TSettingsFiles files = profile::SettingsFiles(exeDir);
        profile::TListenerProfile next({files.own, files.systemDefault, opener_, {}, {}, {}});
        next.RunGreetingStep();
        greetings << next.greetingText();
    }
    qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(greetings, (QStringList{"Olá, Ana", "Olá, Bia"}));
}

// The child of the kill test: confirms new pairs until it is killed.
int ConfirmForEver(const QString& path) {
    profile::TListenerProfile profile({path, QString(), nullptr, nullptr, QString(), QString()});
    profile.EditNameClick();
    for (int n = 1;; ++n) {
        profile.setNameText(QStringLiteral("Nome %1").arg(n));
        profile.setEmailText(QStringLiteral("email-%1").arg(n));
        profile.ConfirmClick();
    }
}

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc > 2 && QByteArray(argv[1]) == kConfirmLoopFlag)
        return ConfirmForEver(QString::fromLocal8Bit(argv[2]));
    TstGreetingFlow test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_greeting_flow.moc"
