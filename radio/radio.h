// The radio interface and the facade the main window owns.
//
// Threads: as the implementation's (the desktop player's are in radio_desktop.h); SetOwner and
// destruction on the main thread.
#pragma once

#include "radio_shared.h"

#include <QPointer>
#include <QString>
#include <QtGlobal>
#include <memory>

class QWindow;

// Native window id of the owner window.
using TWindowHandle = quintptr;

class TCustomRadio {
public:
    virtual ~TCustomRadio() = default;

    virtual void InitRadio(TWindowHandle iHandle) = 0;
    virtual void UnloadRadio() = 0;
    virtual void SetVolume(float AValue) = 0;
    virtual float GetVolume() = 0;
    virtual bool Play() = 0;
    virtual void Pause() = 0;
    virtual void SetStreamURL(QString AUrl) = 0;
    virtual void SetStatusProc(TStatusProc AProc) = 0;
    virtual void SetBroadcastInfoProc(TBroadcastInfoProc AProc) = 0;
    virtual void SetBroadcastMetaProc(TBroadcastMetaProc AProc) = 0;
    virtual void PauseRadioOnIncomingCalls(bool APauseOnIncomingCalls) = 0;

    // Beyond the interface of old: the fate of the playing stream, and why an open failed. A
    // radio that cannot tell ignores the one and answers None to the other.
    virtual void SetStreamNoticeProc(TStreamNoticeProc AProc) { (void)AProc; }
    virtual TOpenFailure LastOpenFailure() { return TOpenFailure::None; }
};

// Owns one platform radio and passes every call through.
class TRadio final : public TCustomRadio {
public:
    // A null platform means the desktop player on the global engine binding.
    explicit TRadio(std::unique_ptr<TCustomRadio> platform = nullptr);
    ~TRadio() override;
    TRadio(const TRadio&) = delete;
    TRadio& operator=(const TRadio&) = delete;

    // The owner's native window must exist; winId() creates it if needed.
    void SetOwner(QWindow* AOwner);
    QWindow* Owner() const;

    void InitRadio(TWindowHandle iHandle) override;
    void UnloadRadio() override;
    void SetVolume(float AValue) override;
    float GetVolume() override;
    bool Play() override;
    void Pause() override;
    void SetStreamURL(QString AUrl) override;
    // Empty callbacks are ignored: once installed, a callback stays.
    void SetStatusProc(TStatusProc AProc) override;
    void SetBroadcastInfoProc(TBroadcastInfoProc AProc) override;
    void SetBroadcastMetaProc(TBroadcastMetaProc AProc) override;
    void PauseRadioOnIncomingCalls(bool APauseOnIncomingCalls) override;
    void SetStreamNoticeProc(TStreamNoticeProc AProc) override;
    TOpenFailure LastOpenFailure() override;

    // For the window's close: closes the engine's audio output, so that a Play blocked in a
    // connect returns false at once and every stream stops. Any thread.
    static void AbortAll();

private:
    std::unique_ptr<TCustomRadio> FPlatformRadio;
    QPointer<QWindow> FOwner;
};
