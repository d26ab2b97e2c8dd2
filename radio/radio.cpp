#include "radio.h"

#include "radio_bass.h"
#include "radio_desktop.h"

#include <QWindow>

TRadio::TRadio(std::unique_ptr<TCustomRadio> platform)
    : FPlatformRadio(platform ? std::move(platform) : std::make_unique<TPlatformRadio>()) {}

TRadio::~TRadio() {
    // Silence the stream before the player that owns it goes away.
    UnloadRadio();
    FPlatformRadio.reset();
}

void TRadio::SetOwner(QWindow* AOwner) {
    FOwner = AOwner;
    InitRadio(AOwner ? static_cast<TWindowHandle>(AOwner->winId()) : 0);
}

QWindow* TRadio::Owner() const {
    return FOwner;
}

void TRadio::InitRadio(TWindowHandle iHandle) {
    FPlatformRadio->InitRadio(iHandle);
}
void TRadio::UnloadRadio() {
    FPlatformRadio->UnloadRadio();
}
void TRadio::SetVolume(float AValue) {
    FPlatformRadio->SetVolume(AValue);
}
float TRadio::GetVolume() {
    return FPlatformRadio->GetVolume();
}
bool TRadio::Play() {
    return FPlatformRadio->Play();
}
void TRadio::Pause() {
    FPlatformRadio->Pause();
}
void TRadio::SetStreamURL(QString AUrl) {
    FPlatformRadio->SetStreamURL(std::move(AUrl));
}

void TRadio::SetStatusProc(TStatusProc AProc) {
    if (AProc)
        FPlatformRadio->SetStatusProc(AProc);
}

void TRadio::SetBroadcastInfoProc(TBroadcastInfoProc AProc) {
    if (AProc)
        FPlatformRadio->SetBroadcastInfoProc(AProc);
}

void TRadio::SetBroadcastMetaProc(TBroadcastMetaProc AProc) {
    if (AProc)
        FPlatformRadio->SetBroadcastMetaProc(AProc);
}

void TRadio::PauseRadioOnIncomingCalls(bool APauseOnIncomingCalls) {
    FPlatformRadio->PauseRadioOnIncomingCalls(APauseOnIncomingCalls);
}

void TRadio::SetStreamNoticeProc(TStreamNoticeProc AProc) {
    if (AProc)
        FPlatformRadio->SetStreamNoticeProc(AProc);
}

TOpenFailure TRadio::LastOpenFailure() {
    return FPlatformRadio->LastOpenFailure();
}

void TRadio::AbortAll() {
    FreeBassOutput();
}
