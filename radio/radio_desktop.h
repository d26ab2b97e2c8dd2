// Desktop stream player on the stream engine.
//
// Threads: InitRadio on the main thread; Play on one thread at a time (the connection thread);
// Pause, UnloadRadio, SetVolume and the setters on any thread; DoMeta on the Play thread and on
// the engine's dispatcher thread.
#pragma once

#include "radio.h"
#include "radio_bass.h"

#include <QByteArray>
#include <atomic>
#include <functional>
#include <optional>

class TPlatformRadio;

// The player that ran InitRadio last: the title sync's way to a player when it carries none.
extern std::atomic<TPlatformRadio*> ARadio;

// Title sync registered on every stream with its player as user data (safe: a player frees its
// stream before it goes, and the engine runs no sync of a freed stream); reports the new title.
extern "C" void MetaSync(HSYNC handle, DWORD channel, DWORD data, void* user);
// Registered beside it, with the same user data, for a lost or returned connection (NoticeSync),
// a lost or returned sound device (DeviceSync) and for the stream's end (EndSync).
extern "C" void NoticeSync(HSYNC handle, DWORD channel, DWORD data, void* user);
extern "C" void DeviceSync(HSYNC handle, DWORD channel, DWORD data, void* user);
extern "C" void EndSync(HSYNC handle, DWORD channel, DWORD data, void* user);

class TPlatformRadio final : public TCustomRadio {
public:
    using NoticeHook = std::function<void(QString caption, QString text)>;

    // The table is called through, not copied: it must outlive the player.
    explicit TPlatformRadio(const BassApi& api = BassApi::Global());
    explicit TPlatformRadio(const BassApi&& api) = delete;
    ~TPlatformRadio() override;
    TPlatformRadio(const TPlatformRadio&) = delete;
    TPlatformRadio& operator=(const TPlatformRadio&) = delete;

    void InitRadio(TWindowHandle iHandle) override;
    void UnloadRadio() override;
    // 0..100, clamped; applies to the current stream and to every later one.
    void SetVolume(float AValue) override;
    float GetVolume() override;
    // Blocks for the connection and the buffering; false when the stream cannot be opened.
    bool Play() override;
    void Pause() override;
    void SetStreamURL(QString AUrl) override;
    void SetStatusProc(TStatusProc AProc) override;
    void SetBroadcastInfoProc(TBroadcastInfoProc AProc) override;
    void SetBroadcastMetaProc(TBroadcastMetaProc AProc) override;
    void PauseRadioOnIncomingCalls(bool APauseOnIncomingCalls) override;
    void SetStreamNoticeProc(TStreamNoticeProc AProc) override;
    TOpenFailure LastOpenFailure() override;

    // Reports the current stream title; runs on the Play thread and on the engine's thread.
    void DoMeta();
    // Reports what became of the stream channel; the engine's thread. A notice of a stream that
    // is no longer the current one is dropped.
    void DoNotice(DWORD channel, TStreamNotice notice);

    bool PauseOnIncomingCalls() const { return FPauseOnIncomingCalls; }

    // The engine's error code for the last Play that could not open its stream (BASS_OK after a
    // successful one): why the connection failed.
    int LastErrorCode() const { return FLastError; }

    // The library has no widgets: the application installs the message box it wants shown.
    static void SetNoticeHook(NoticeHook hook);

private:
    void WaitForBuffer();
    void ReportBroadcastInfo();
    void ApplyVolume(DWORD handle);
    void report(const QString& text, int32_t progress);
    QWORD filePosition(DWORD mode) const;
    const char* tags(DWORD kind) const;
    int EngineError() const;

    const BassApi& FApi;
    QString FStreamURL;
    std::atomic<DWORD> FActiveChannel{0};
    std::atomic<TStatusProc> FStatusProc{nullptr};
    std::atomic<TBroadcastInfoProc> FBroadcastInfoProc{nullptr};
    std::atomic<TBroadcastMetaProc> FBroadcastMetaProc{nullptr};
    std::atomic<TStreamNoticeProc> FStreamNoticeProc{nullptr};
    bool FPauseOnIncomingCalls = false;
    std::atomic<float> FVolume{0.0f};
    // Streams keep the engine's own gain until a volume has been chosen.
    std::atomic<bool> FVolumeChosen{false};
    std::atomic<int> FLastError{BASS_OK};
};

// Engine text (header lines, titles): UTF-8 when valid, otherwise Windows-1252.
QString decodeEngineText(QByteArrayView bytes);
