#include "listener_profile.h"

#include "ini_file.h"
#include "link_opener.h"
#include "logging.h"
#include "message_text.h"
#include "property_setter.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <exception>

namespace profile {
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

TListenerProfile::TListenerProfile(Dependencies deps, QObject* parent)
    : QObject(parent), deps_(std::move(deps)) {}

TListenerProfile::~TListenerProfile() = default;

QString TListenerProfile::ReadPath() const {
    if (!SettingsFileExists(deps_.settingsPath) && !deps_.settingsDefaultPath.isEmpty() &&
        SettingsFileExists(deps_.settingsDefaultPath))
        return deps_.settingsDefaultPath;
    return deps_.settingsPath;
}

void TListenerProfile::RunGreetingStep() {
    const QString path = ReadPath();
    if (!SettingsFileExists(path))
        return;
    const TIniFile Arquivo_de_Configuracao(path);
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

void TListenerProfile::EditNameClick() {
    const QString path = ReadPath();
    if (!SettingsFileExists(path))
        return;
    const TIniFile Arquivo_de_Configuracao(path);
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

void TListenerProfile::ConfirmClick() {
    try {
        // The listener's own file, in a folder of its own that may not exist yet.
        QDir().mkpath(QFileInfo(deps_.settingsPath).absolutePath());
        TIniFile Arquivo_de_Configuracao(deps_.settingsPath);
        // One replacement of the file for all three keys: a crash or a refused write keeps
        // either every new value or none, never the name without its e-mail. The switch asks
        // whether the listener wants the station's news; its answer is kept under the key the
        // greeting tests, so a listener who says no is no longer asked at every start.
        Arquivo_de_Configuracao.WriteStrings(kSection,
                                             {{kNameKey, nameText_},
                                              {kEmailKey, emailText_},
                                              {kNotificationsKey, notificationsOn_ ? kYes : kNo}});
        setGreetingText(nameText_);
        setNameDialogVisible(false);
    } catch (const std::exception& error) {
        qCDebug(lcProfile) << "settings not written:" << error.what();
        // The view cannot carry the error on: show it as the default error box would.
        if (deps_.showDefaultError)
            deps_.showDefaultError(zelvorna::WithFullStop(QString::fromUtf8(error.what())));
    }
}

void TListenerProfile::CancelClick() {
    setNameDialogVisible(false);
}

void TListenerProfile::SongRequestClick() {
    if (deps_.linkOpener)
        deps_.linkOpener->Open(deps_.songRequest, TLinkOpener::ShowMode::Normal);
}

void TListenerProfile::PromotionsClick() {
    if (deps_.linkOpener)
        deps_.linkOpener->Open(deps_.promotionsPage, TLinkOpener::ShowMode::Maximized);
}

void TListenerProfile::setNameText(const QString& text) {
    zelvorna::SetAndNotify(this, nameText_, text, &TListenerProfile::nameTextChanged);
}

void TListenerProfile::setEmailText(const QString& text) {
    zelvorna::SetAndNotify(this, emailText_, text, &TListenerProfile::emailTextChanged);
}

void TListenerProfile::setNotificationsOn(bool on) {
    zelvorna::SetAndNotify(this, notificationsOn_, on, &TListenerProfile::notificationsOnChanged);
}

void TListenerProfile::setGreetingText(const QString& text) {
    zelvorna::SetAndNotify(this, greetingText_, text, &TListenerProfile::greetingTextChanged);
}

void TListenerProfile::setNameDialogVisible(bool visible) {
    zelvorna::SetAndNotify(this, nameDialogVisible_, visible,
                           &TListenerProfile::nameDialogVisibleChanged);
}

} // namespace profile
