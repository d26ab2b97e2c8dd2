// Callback types and status texts shared by the radio interface and its implementations.
#pragma once

#include <QString>
#include <cstdint>

// Plain function pointers: receivers reach their window through its single instance.
using TStatusProc = void (*)(QString pszData, int32_t Progress);
using TBroadcastInfoProc = void (*)(QString pszBroadcastName, QString pszBitRate);
using TBroadcastMetaProc = void (*)(QString pszData);

// What became of the playing stream, told on the engine's thread.
enum class TStreamNotice {
    Reconnecting, // the connection was lost and is being made again
    Resumed,      // audio flows again
    Ended,        // the stream has ended for good and its audio has been played
    NoOutput,     // the sound device was lost (its sound server went away): trying it again
    OutputBack,   // sound comes out again
};
using TStreamNoticeProc = void (*)(TStreamNotice notice);

// Why the last Play could not open its stream.
enum class TOpenFailure { None, NoAnswer, NotAudio, NoDevice, Unreachable };

inline const QString strLoading = QStringLiteral("Loading...");
inline const QString strUnknown = QStringLiteral("Unknown!");
inline const QString strCompleted = QStringLiteral("Completed!");
