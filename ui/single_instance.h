#pragma once
// One copy of the window per listener session. The first start owns the application's id as a
// name on the session bus and answers org.freedesktop.Application.Activate there by raising its
// window; a later start hands over to it (with the desktop's activation token, if it got one)
// and exits. Without a session bus, or when the name's owner does not answer, every start runs
// on its own, as before.
//
// Threads: main thread only. Claim blocks for at most kAnswerTimeoutMs, and only before the
// window exists.

#include <QObject>
#include <QString>

class TF_Principal;

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        First,      // this start owns the name: it runs the window
        HandedOver, // the first copy was raised: this start exits
        Alone,      // no session bus, or an owner that does not answer: run on our own
    };
    static constexpr int kAnswerTimeoutMs = 2000;

    explicit TSingleInstance(QObject* parent = nullptr);
    ~TSingleInstance() override;

    Outcome Claim();
    // Where the first copy's Activate lands; before this is set, an Activate is dropped (the
    // window is about to show anyway).
    void SetWindow(TF_Principal* window) { window_ = window; }
    void Activate(const QString& activationToken);

private:
    bool HandOver();

    TF_Principal* window_ = nullptr;
    bool registered_ = false;
};
