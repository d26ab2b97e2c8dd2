#pragma once
// The listener profile: the greeting from the settings file, the name dialog that stores the
// listener's name, e-mail and answer, and the bottom menu's outside links.
//
// Threads: main thread only. Every settings operation opens the file, reads or writes, and closes
// it again.

#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

namespace profile {

class TLinkOpener;

class TListenerProfile : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString greetingText READ greetingText NOTIFY greetingTextChanged)
    Q_PROPERTY(bool nameDialogVisible READ nameDialogVisible NOTIFY nameDialogVisibleChanged)
    Q_PROPERTY(QString nameText READ nameText WRITE setNameText NOTIFY nameTextChanged)
    Q_PROPERTY(QString emailText READ emailText WRITE setEmailText NOTIFY emailTextChanged)
    Q_PROPERTY(bool notificationsOn READ notificationsOn WRITE setNotificationsOn NOTIFY
                   notificationsOnChanged)

public:
    struct Dependencies {
        QString settingsPath;        // the listener's Configuracao.ini: read, and written
        QString settingsDefaultPath; // read while settingsPath does not exist (may be empty)
        std::shared_ptr<TLinkOpener> linkOpener;
        std::function<void(const QString&)> showDefaultError; // a refused write
        QUrl promotionsPage;                                  // the promotions banner's page
        QUrl songRequest;                                     // the song request's mailto:
    };

    explicit TListenerProfile(Dependencies deps, QObject* parent = nullptr);
    ~TListenerProfile() override;

    // Window creation: greets the stored name, or asks for one when the listener said yes.
    void RunGreetingStep();
    // The pencil, and the dialog's two buttons.
    void EditNameClick();
    void ConfirmClick();
    void CancelClick();
    // The bottom menu's song request (mail) and the promotions banner (web page).
    void SongRequestClick();
    void PromotionsClick();

    QString greetingText() const { return greetingText_; }
    bool nameDialogVisible() const { return nameDialogVisible_; }
    QString nameText() const { return nameText_; }
    void setNameText(const QString& text);
    QString emailText() const { return emailText_; }
    void setEmailText(const QString& text);
    bool notificationsOn() const { return notificationsOn_; }
    void setNotificationsOn(bool on);

signals:
    void greetingTextChanged();
    void nameDialogVisibleChanged();
    void nameTextChanged();
    void emailTextChanged();
    void notificationsOnChanged();
    // Asks the view to give the keyboard focus to the name edit.
    void nameEditFocusRequested();

private:
    // The file the settings are read from now: the listener's own, else the system's default.
    QString ReadPath() const;
    void setGreetingText(const QString& text);
    void setNameDialogVisible(bool visible);

    Dependencies deps_;
    QString greetingText_;
    bool nameDialogVisible_ = false;
    QString nameText_;
    QString emailText_;
    bool notificationsOn_ = true;
};

} // namespace profile
