#pragma once
// The window tests' radios: a silent one for tests that never play, and a recording one with
// programmable Play results that can block inside Play until the test lets it go.

#include "radio.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <semaphore>
#include <stdexcept>

// Never plays: the window needs a radio from its creation on.
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

// Shared with the test, which keeps it after the radio is gone.
struct TFakeRadioState {
    std::mutex mutex;
    QStringList calls;
    std::deque<bool> playResults;              // popped per Play; empty: false
    QList<int> progressOnSuccess{40, 80, 100}; // reported before a successful Play returns
    bool throwInPlay = false;
    bool blockInPlay = false;
    std::counting_semaphore<8> release{0}; // lets a blocked Play return (each Play takes one)
    std::counting_semaphore<8> entered{0}; // signalled when a blocked Play starts
    QThread* lastPlayThread = nullptr;
    TOpenFailure openFailure = TOpenFailure::None; // told after a Play that returned false
    TStreamNoticeProc noticeProc = nullptr;        // as installed, to tell the panel a notice
    int destroyed = 0;

    void Record(const QString& call) {
        std::lock_guard lock(mutex);
        calls.append(call);
    }
    QStringList Calls() {
        std::lock_guard lock(mutex);
        return calls;
    }
    void ClearCalls() {
        std::lock_guard lock(mutex);
        calls.clear();
    }
};

class TFakeRadio final : public TCustomRadio {
public:
    explicit TFakeRadio(std::shared_ptr<TFakeRadioState> state) : state_(std::move(state)) {}
    ~TFakeRadio() override {
        std::lock_guard lock(state_->mutex);
        ++state_->destroyed;
    }

    void InitRadio(TWindowHandle) override { state_->Record("InitRadio"); }
    void UnloadRadio() override { state_->Record("UnloadRadio"); }
    void SetVolume(float AValue) override {
        state_->Record("SetVolume:" + QString::number(AValue));
    }
    float GetVolume() override { return 0; }
    bool Play() override {
        state_->Record("Play");
        bool result = false;
        {
            std::lock_guard lock(state_->mutex);
            state_->lastPlayThread = QThread::currentThread();
            if (!state_->playResults.empty()) {
                result = state_->playResults.front();
                state_->playResults.pop_front();
            }
        }
        if (state_->blockInPlay) {
            state_->entered.release();
            state_->release.try_acquire_for(std::chrono::seconds(10)); // never for ever
        }
        if (state_->throwInPlay)
            throw std::runtime_error("Falha ao abrir o fluxo");
        if (result && status_)
            for (int progress : state_->progressOnSuccess)
                status_(progress < 100 ? strLoading : strCompleted, progress);
        return result;
    }
    void Pause() override { state_->Record("Pause"); }
    void SetStreamURL(QString AUrl) override { state_->Record("SetStreamURL:" + AUrl); }
    void SetStatusProc(TStatusProc AProc) override {
        status_ = AProc;
        state_->Record("SetStatusProc");
    }
    void SetBroadcastInfoProc(TBroadcastInfoProc) override {
        state_->Record("SetBroadcastInfoProc");
    }
    void SetBroadcastMetaProc(TBroadcastMetaProc) override {
        state_->Record("SetBroadcastMetaProc");
    }
    void PauseRadioOnIncomingCalls(bool) override {}
    void SetStreamNoticeProc(TStreamNoticeProc AProc) override {
        state_->Record("SetStreamNoticeProc");
        std::lock_guard lock(state_->mutex);
        state_->noticeProc = AProc;
    }
    TOpenFailure LastOpenFailure() override {
        std::lock_guard lock(state_->mutex);
        return state_->openFailure;
    }

private:
    std::shared_ptr<TFakeRadioState> state_;
    TStatusProc status_ = nullptr;
};
