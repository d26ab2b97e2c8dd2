#pragma once
// A radio for window tests that never play: the window needs one from its creation on. Tests
// that need Play to behave otherwise override just that.

#include "radio.h"

class TSilentRadio : public TCustomRadio {
public:
    void InitRadio(TWindowHandle) override {}
    void UnloadRadio() override {}
    void SetVolume(float v) override { volume_ = v; }
    float GetVolume() override { return volume_; }
    bool Play() override { return false; }
    void Pause() override {}
    void SetStreamURL(QString) override {}
    void SetStatusProc(TStatusProc) override {}
    void SetBroadcastInfoProc(TBroadcastInfoProc) override {}
    void SetBroadcastMetaProc(TBroadcastMetaProc) override {}
    void PauseRadioOnIncomingCalls(bool) override {}

private:
    float volume_ = 0;
};
