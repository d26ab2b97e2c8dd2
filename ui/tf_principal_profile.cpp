// The listener profile: greeting, name dialog and the bottom menu's outside links.

#include "tf_principal.h"

#include "profile/ini_file.h"
#include "profile/link_opener.h"

#include <QFileInfo>
#include <QUrl>
#include <exception>

namespace {

const QString kSection = QStringLiteral("Ouvinte");
const QString kNameKey = QStringLiteral("Nome_do_Ouvinte");
const QString kEmailKey = QStringLiteral("Email_do_Ouvinte");
const QString kNotificationsKey = QStringLiteral("Receber_Notificacoes");
const QString kYes = QStringLiteral("Sim");
const QString kNo = QStringLiteral("Não");

// A folder at the path is no settings file either.
bool SettingsFileExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

} // namespace

void TF_Principal::RunGreetingStep() {
    if (!SettingsFileExists(deps_.settingsPath))
        return;
    const profile::TIniFile Arquivo_de_Configuracao(deps_.settingsPath);
    const QString name = Arquivo_de_Configuracao.ReadString(kSection, kNameKey, QString());
    if (!name.isEmpty()) {
        setGreetingText(QStringLiteral("Olá, ") + name);
        return;
    }
    // Exactly "Sim": the switch stores nothing else for "yes".
    if (Arquivo_de_Configuracao.ReadString(kSection, kNotificationsKey, QString()) == kYes) {
        setNameDialogVisible(true);
        emit nameEditFocusRequested();
    }
}

void TF_Principal::Image_Edita_Nome_OuvinteClick(QObject* Sender) {
    Q_UNUSED(Sender);
    if (!SettingsFileExists(deps_.settingsPath))
        return;
    const profile::TIniFile Arquivo_de_Configuracao(deps_.settingsPath);
    setNameDialogVisible(true);
    setNameText(Arquivo_de_Configuracao.ReadString(kSection, kNameKey, QString()));
    setEmailText(Arquivo_de_Configuracao.ReadString(kSection, kEmailKey, QString()));
    // The switch shows the stored choice, or stays as it is when none was stored yet, so that
    // confirming again does not silently turn a stored "no" into "yes".
    const QString choice =
        Arquivo_de_Configuracao.ReadString(kSection, kNotificationsKey, QString());
    if (!choice.isEmpty())
        setNotificationsOn(choice == kYes);
    emit nameEditFocusRequested();
}

void TF_Principal::Spb_ConfirmaClick(QObject* Sender) {
    Q_UNUSED(Sender);
    try {
        profile::TIniFile Arquivo_de_Configuracao(deps_.settingsPath);
        Arquivo_de_Configuracao.WriteString(kSection, kNameKey, nameText_);
        setGreetingText(nameText_);
        Arquivo_de_Configuracao.WriteString(kSection, kEmailKey, emailText_);
        // The switch asks whether the listener wants the station's news; its answer is kept
        // under the key the greeting tests. "Sim" with no name asks for a name at every start,
        // so a listener who says no is no longer asked.
        Arquivo_de_Configuracao.WriteString(kSection, kNotificationsKey,
                                            notificationsOn_ ? kYes : kNo);
        setNameDialogVisible(false);
    } catch (const std::exception& error) {
        // QML cannot carry the error on: show it as the default error box would.
        QString text = QString::fromUtf8(error.what());
        if (!text.endsWith(u'.'))
            text += u'.';
        if (deps_.showDefaultError)
            deps_.showDefaultError(text);
    }
}

void TF_Principal::Spb_CancelarClick(QObject* Sender) {
    Q_UNUSED(Sender);
    setNameDialogVisible(false);
}

void TF_Principal::Layout_PedidoClick(QObject* Sender) {
    Q_UNUSED(Sender);
    if (deps_.linkOpener)
        deps_.linkOpener->Open(QUrl(QStringLiteral("mailto:") + deps_.requestEmail),
                               profile::TLinkOpener::ShowMode::Normal);
}

void TF_Principal::Image_PromocaoClick(QObject* Sender) {
    Q_UNUSED(Sender);
    if (deps_.linkOpener)
        deps_.linkOpener->Open(
            QUrl(QStringLiteral("https://") + deps_.siteHost + QStringLiteral("/promocoes.php")),
            profile::TLinkOpener::ShowMode::Maximized);
}

void TF_Principal::setNameText(const QString& text) {
    if (nameText_ == text)
        return;
    nameText_ = text;
    emit nameTextChanged();
}

void TF_Principal::setEmailText(const QString& text) {
    if (emailText_ == text)
        return;
    emailText_ = text;
    emit emailTextChanged();
}

void TF_Principal::setNotificationsOn(bool on) {
    if (notificationsOn_ == on)
        return;
    notificationsOn_ = on;
    emit notificationsOnChanged();
}
