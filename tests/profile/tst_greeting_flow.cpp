// The window's greeting, name dialog and outside links, driven through the controller with the
// settings file in a temporary folder.

#include "file_size_limit.h"
#include "ini_file.h"
#include "link_opener.h"
#include "radio.h"
#include "silent_radio.h"
#include "tf_principal.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using ShowMode = profile::TLinkOpener::ShowMode;

namespace {

class TRecordingOpener final : public profile::TLinkOpener {
public:
    void Open(const QUrl& link, ShowMode mode) override {
        links.append(link.toString());
        modes.append(mode);
    }
    QStringList links;
    QList<ShowMode> modes;
};

const QString kSection = QStringLiteral("Ouvinte");

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
    void refusedEmailWriteKeepsNameOnly();
    void linksCarryOnlyFixedAddresses();

private:
    // A controller on the settings file at path, created as the window creates it.
    std::unique_ptr<TF_Principal> Start(const QString& path);
    std::unique_ptr<TF_Principal> Start() { return Start(path_); }
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

std::unique_ptr<TF_Principal> TstGreetingFlow::Start(const QString& path) {
    TF_Principal::Dependencies deps;
    deps.makeRadio = [] { return std::make_unique<TRadio>(std::make_unique<TSilentRadio>()); };
    deps.showMessage = [this](const QString& text) { errors_.append("message: " + text); };
    deps.showDefaultError = [this](const QString& text) { errors_.append(text); };
    deps.linkOpener = opener_;
    deps.settingsPath = path;
    deps.siteHost = QStringLiteral("radio.example:8080");
    deps.requestEmail = QStringLiteral("pedidos@radio.example");
    deps.visitStatistics = false;
    auto window = std::make_unique<TF_Principal>(std::move(deps));
    connect(window.get(), &TF_Principal::nameEditFocusRequested, this,
            [this] { ++focusRequests_; });
    window->FormCreate();
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
        window->Image_Edita_Nome_OuvinteClick();
        window->setNameText("Bia");
        window->setEmailText("bia@example");
        window->Spb_ConfirmaClick();
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
        window->Spb_ConfirmaClick(); // with the empty name
        QVERIFY(!window->nameDialogVisible());
    }
    QCOMPARE(Stored("Nome_do_Ouvinte"), QString());
    QCOMPARE(Stored("Receber_Notificacoes"), stored);
    focusRequests_ = 0;
    const auto next = Start();
    QCOMPARE(next->nameDialogVisible(), switchOn);
    // The pencil shows the stored answer, so confirming again keeps it.
    next->setNotificationsOn(!switchOn);
    next->Image_Edita_Nome_OuvinteClick();
    QCOMPARE(next->notificationsOn(), switchOn);
}

void TstGreetingFlow::pencilWithoutFileDoesNothing() {
    const auto window = Start();
    window->Image_Edita_Nome_OuvinteClick();
    QVERIFY(!window->nameDialogVisible());
    QCOMPARE(window->greetingText(), QString());
    QCOMPARE(focusRequests_, 0);
    QVERIFY(!QFile::exists(path_));
}

void TstGreetingFlow::pencilReloadsStoredValuesAfterCancel() {
    Store("[Ouvinte]\nNome_do_Ouvinte=Ana\nEmail_do_Ouvinte=ana@example\n");
    const auto window = Start();
    QSignalSpy nameChanges(window.get(), &TF_Principal::nameTextChanged);
    window->Image_Edita_Nome_OuvinteClick();
    QVERIFY(window->nameDialogVisible());
    QCOMPARE(window->nameText(), QStringLiteral("Ana"));
    QCOMPARE(window->emailText(), QStringLiteral("ana@example"));
    QCOMPARE(focusRequests_, 1);

    window->setNameText("Typed");
    window->setEmailText("typed@example");
    window->Spb_CancelarClick();
    QVERIFY(!window->nameDialogVisible());
    QCOMPARE(window->nameText(), QStringLiteral("Typed")); // hidden edits keep their text
    QCOMPARE(Stored("Nome_do_Ouvinte"), QStringLiteral("Ana"));

    window->Image_Edita_Nome_OuvinteClick();
    QCOMPARE(window->nameText(), QStringLiteral("Ana"));
    QCOMPARE(window->emailText(), QStringLiteral("ana@example"));
    QCOMPARE(focusRequests_, 2);
    QCOMPARE(nameChanges.count(), 3);
}

void TstGreetingFlow::confirmRecreatesRemovedFile() {
    Store("[Ouvinte]\nNome_do_Ouvinte=Ana\n");
    const auto window = Start();
    window->Image_Edita_Nome_OuvinteClick();
    QVERIFY(QFile::remove(path_));
    window->setNameText("Bia");
    window->setEmailText("sem-arroba"); // stored as typed
    window->Spb_ConfirmaClick();
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
    window->Image_Edita_Nome_OuvinteClick();
    QVERIFY(QDir(folder).removeRecursively());
    Store("not a folder", folder);
    window->setNameText("Bia");
    window->Spb_ConfirmaClick();
    QCOMPARE(errors_, QStringList{"Unable to write to " + path_ + "."});
    QCOMPARE(window->greetingText(), QString::fromUtf8("Olá, Ana"));
    QVERIFY(window->nameDialogVisible());
}

// Room on the disk for the name but not for the longer e-mail line.
void TstGreetingFlow::refusedEmailWriteKeepsNameOnly() {
    const QByteArray before = "[Ouvinte]\nNome_do_Ouvinte=Ana\nEmail_do_Ouvinte=a@b\n";
    Store(before);
    const auto window = Start();
    window->Image_Edita_Nome_OuvinteClick();
    window->setNameText("Bia");
    window->setEmailText("bia.conceicao@radiozelvorna.example");
    {
        const TFileSizeLimit fullDisk(before.size() + 8);
        window->Spb_ConfirmaClick();
    }
    QCOMPARE(errors_, QStringList{"Unable to write to " + path_ + "."});
    QCOMPARE(Stored("Nome_do_Ouvinte"), QStringLiteral("Bia"));
    QCOMPARE(Stored("Email_do_Ouvinte"), QStringLiteral("a@b"));
    QCOMPARE(window->greetingText(), QStringLiteral("Bia"));
    QVERIFY(window->nameDialogVisible());
}

void TstGreetingFlow::linksCarryOnlyFixedAddresses() {
    Store("[Ouvinte]\nNome_do_Ouvinte=Ana\nEmail_do_Ouvinte=ana@example\n");
    const auto window = Start();
    window->Image_Edita_Nome_OuvinteClick();
    window->Layout_PedidoClick();
    window->Image_PromocaoClick();
    window->Layout_PedidoClick();
    QCOMPARE(opener_->links, (QStringList{"mailto:pedidos@radio.example",
                                          "https://radio.example:8080/promocoes.php",
                                          "mailto:pedidos@radio.example"}));
    QCOMPARE(opener_->modes,
             (QList<ShowMode>{ShowMode::Normal, ShowMode::Maximized, ShowMode::Normal}));
}

QTEST_MAIN(TstGreetingFlow)
#include "tst_greeting_flow.moc"
