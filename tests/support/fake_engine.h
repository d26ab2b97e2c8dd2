// Programmable stand-in for the stream engine's entry points, for the radio tests.
#pragma once

#include "radio_bass.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QPair>
#include <QString>
#include <QStringList>

// One process-wide fake: the table holds plain functions, so their state has to be shared.
class FakeEngine {
public:
    static FakeEngine& instance();

    // Forgets every programmed value and every recorded call.
    void reset();
    // A table whose every entry is bound to this fake.
    static BassApi table();

    // Header lines as the engine hands them out: each ended by a null, the list by an empty one.
    static QByteArray lines(const QList<QByteArray>& headerLines);

    // Programmed replies; a sequence gives one value per call and then repeats its last value.
    void setInitResult(BOOL result);
    void setStreamHandles(const QList<HSTREAM>& handles);
    void setFilePositions(DWORD mode, const QList<QWORD>& values);
    // A null array means "no tags of that kind".
    void setTags(DWORD kind, const QByteArray& tags);

    // Observations.
    QStringList log() const;                 // every call but file positions and tag reads
    int callCount() const;                   // every call, including those left out of the log
    int filePositionCalls(DWORD mode) const; // passes of the buffering loop, per mode
    QString lastUrl() const;
    // The proc and user data last registered for a sync type.
    SYNCPROC* syncProcOf(DWORD type) const;
    void* syncUserOf(DWORD type) const;
    // Lets test callbacks interleave their own entries with the engine calls.
    void note(const QString& entry);

private:
    FakeEngine() = default;
    void record(const QString& entry, bool logged = true);
    QWORD nextFilePosition(DWORD mode);
    const char* tags(DWORD kind);

    static BOOL Init(int device, DWORD freq, DWORD flags, void* win, const void* dsguid);
    static BOOL Free();
    static BOOL SetConfig(DWORD option, DWORD value);
    static HPLUGIN PluginLoad(const char* file, DWORD flags);
    static HSTREAM StreamCreateURL(const void* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc,
                                   void* user);
    static BOOL StreamFree(HSTREAM handle);
    static QWORD StreamGetFilePosition(HSTREAM handle, DWORD mode);
    static const char* ChannelGetTags(DWORD handle, DWORD kind);
    static HSYNC ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user);
    static BOOL ChannelPlay(DWORD handle, BOOL restart);
    static BOOL ChannelStop(DWORD handle);
    static BOOL ChannelSetAttribute(DWORD handle, DWORD attrib, float value);

    mutable QMutex mutex;
    BOOL initResult = 1;
    QList<HSTREAM> handles;
    QList<QWORD> endValues, bufferValues, connectedValues;
    int endCalls = 0, bufferCalls = 0, connectedCalls = 0;
    QByteArray icyTags, httpTags, metaTag;
    QStringList calls;
    int calledTotal = 0;
    QString url;
    QMap<DWORD, QPair<SYNCPROC*, void*>> syncs;
};
