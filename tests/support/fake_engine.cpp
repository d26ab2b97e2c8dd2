#include "fake_engine.h"

#include <QMutexLocker>

FakeEngine& FakeEngine::instance() {
    static FakeEngine engine;
    return engine;
}

void FakeEngine::reset() {
    QMutexLocker lock(&mutex);
    initResult = 1;
    handles.clear();
    endValues.clear();
    bufferValues.clear();
    connectedValues.clear();
    endCalls = bufferCalls = connectedCalls = 0;
    icyTags = httpTags = metaTag = QByteArray();
    calls.clear();
    calledTotal = 0;
    url.clear();
    syncs.clear();
}

BassApi FakeEngine::table() {
    BassApi api;
    api.BASS_Init = &Init;
    api.BASS_Free = &Free;
    api.BASS_SetConfig = &SetConfig;
    api.BASS_PluginLoad = &PluginLoad;
    api.BASS_StreamCreateURL = &StreamCreateURL;
    api.BASS_StreamFree = &StreamFree;
    api.BASS_StreamGetFilePosition = &StreamGetFilePosition;
    api.BASS_ChannelGetTags = &ChannelGetTags;
    api.BASS_ChannelSetSync = &ChannelSetSync;
    api.BASS_ChannelPlay = &ChannelPlay;
    api.BASS_ChannelStop = &ChannelStop;
    api.BASS_ChannelSetAttribute = &ChannelSetAttribute;
    return api;
}

QByteArray FakeEngine::lines(const QList<QByteArray>& headerLines) {
    QByteArray all;
    for (const QByteArray& line : headerLines)
        all += line + '\0';
    all += '\0';
    return all;
}

void FakeEngine::setInitResult(BOOL result) {
    QMutexLocker lock(&mutex);
    initResult = result;
}

void FakeEngine::setStreamHandles(const QList<HSTREAM>& values) {
    QMutexLocker lock(&mutex);
    handles = values;
}

void FakeEngine::setFilePositions(DWORD mode, const QList<QWORD>& values) {
    QMutexLocker lock(&mutex);
    if (mode == BASS_FILEPOS_END)
        endValues = values;
    else if (mode == BASS_FILEPOS_BUFFER)
        bufferValues = values;
    else
        connectedValues = values;
}

void FakeEngine::setTags(DWORD kind, const QByteArray& value) {
    QMutexLocker lock(&mutex);
    if (kind == BASS_TAG_ICY)
        icyTags = value;
    else if (kind == BASS_TAG_HTTP)
        httpTags = value;
    else
        metaTag = value;
}

QStringList FakeEngine::log() const {
    QMutexLocker lock(&mutex);
    return calls;
}

int FakeEngine::callCount() const {
    QMutexLocker lock(&mutex);
    return calledTotal;
}

int FakeEngine::filePositionCalls(DWORD mode) const {
    QMutexLocker lock(&mutex);
    if (mode == BASS_FILEPOS_END)
        return endCalls;
    return mode == BASS_FILEPOS_BUFFER ? bufferCalls : connectedCalls;
}

QString FakeEngine::lastUrl() const {
    QMutexLocker lock(&mutex);
    return url;
}

void* FakeEngine::syncUserOf(DWORD type) const {
    QMutexLocker lock(&mutex);
    return syncs.value(type).second;
}

SYNCPROC* FakeEngine::syncProcOf(DWORD type) const {
    QMutexLocker lock(&mutex);
    return syncs.value(type).first;
}

void FakeEngine::note(const QString& entry) {
    QMutexLocker lock(&mutex);
    calls << entry;
}

void FakeEngine::record(const QString& entry, bool logged) {
    QMutexLocker lock(&mutex);
    ++calledTotal;
    if (logged)
        calls << entry;
}

QWORD FakeEngine::nextFilePosition(DWORD mode) {
    QMutexLocker lock(&mutex);
    ++calledTotal;
    auto pick = [](const QList<QWORD>& values, int& count, QWORD fallback) {
        const int index = count++;
        if (values.isEmpty())
            return fallback;
        return values.at(qMin(index, int(values.size()) - 1));
    };
    if (mode == BASS_FILEPOS_END)
        return pick(endValues, endCalls, ~QWORD(0));
    if (mode == BASS_FILEPOS_BUFFER)
        return pick(bufferValues, bufferCalls, 0);
    return pick(connectedValues, connectedCalls, 0);
}

const char* FakeEngine::tags(DWORD kind) {
    QMutexLocker lock(&mutex);
    ++calledTotal;
    const QByteArray& value = kind == BASS_TAG_ICY    ? icyTags
                              : kind == BASS_TAG_HTTP ? httpTags
                                                      : metaTag;
    return value.isNull() ? nullptr : value.constData();
}

BOOL FakeEngine::Init(int device, DWORD freq, DWORD flags, void* win, const void* dsguid) {
    FakeEngine& self = instance();
    self.record(QStringLiteral("Init(%1,%2,%3,%4,%5)")
                    .arg(device)
                    .arg(freq)
                    .arg(flags)
                    .arg(quintptr(win))
                    .arg(dsguid ? "guid" : "null"));
    QMutexLocker lock(&self.mutex);
    return self.initResult;
}

BOOL FakeEngine::Free() {
    instance().record(QStringLiteral("Free()"));
    return 1;
}

BOOL FakeEngine::SetConfig(DWORD option, DWORD value) {
    instance().record(QStringLiteral("SetConfig(%1,%2)").arg(option).arg(value));
    return 1;
}

HPLUGIN FakeEngine::PluginLoad(const char* file, DWORD flags) {
    const QString name = (flags & BASS_UNICODE)
                             ? QString::fromUtf16(reinterpret_cast<const char16_t*>(file))
                             : QString::fromUtf8(file);
    instance().record(QStringLiteral("PluginLoad(%1,0x%2)").arg(name).arg(flags, 0, 16));
    return 0;
}

HSTREAM FakeEngine::StreamCreateURL(const void* address, DWORD offset, DWORD flags,
                                    DOWNLOADPROC* proc, void* user) {
    FakeEngine& self = instance();
    self.record(QStringLiteral("StreamCreateURL(%1,0x%2,%3,%4)")
                    .arg(offset)
                    .arg(flags, 0, 16)
                    .arg(proc ? "proc" : "null")
                    .arg(user ? "user" : "null"));
    QMutexLocker lock(&self.mutex);
    self.url = QString::fromUtf16(static_cast<const char16_t*>(address));
    return self.handles.isEmpty() ? 0 : self.handles.takeFirst();
}

BOOL FakeEngine::StreamFree(HSTREAM handle) {
    instance().record(QStringLiteral("StreamFree(%1)").arg(handle));
    return 1;
}

QWORD FakeEngine::StreamGetFilePosition(HSTREAM, DWORD mode) {
    return instance().nextFilePosition(mode);
}

const char* FakeEngine::ChannelGetTags(DWORD, DWORD kind) {
    return instance().tags(kind);
}

HSYNC FakeEngine::ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc,
                                 void* user) {
    FakeEngine& self = instance();
    self.record(QStringLiteral("ChannelSetSync(%1,%2,%3,%4)")
                    .arg(handle)
                    .arg(type)
                    .arg(param)
                    .arg(user ? "user" : "null"));
    QMutexLocker lock(&self.mutex);
    self.syncs.insert(type, {proc, user});
    return 1;
}

BOOL FakeEngine::ChannelPlay(DWORD handle, BOOL restart) {
    instance().record(QStringLiteral("ChannelPlay(%1,%2)").arg(handle).arg(restart));
    return 1;
}

BOOL FakeEngine::ChannelStop(DWORD handle) {
    instance().record(QStringLiteral("ChannelStop(%1)").arg(handle));
    return 1;
}

BOOL FakeEngine::ChannelSetAttribute(DWORD handle, DWORD attrib, float value) {
    instance().record(
        QStringLiteral("ChannelSetAttribute(%1,%2,%3)").arg(handle).arg(attrib).arg(double(value)));
    return 1;
}
