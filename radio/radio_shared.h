// Callback types and status texts shared by the radio interface and its implementations.
#pragma once

#include <QString>
#include <cstdint>

// Plain function pointers: receivers reach their window through its single instance.
using TStatusProc = void (*)(QString pszData, int32_t Progress);
using TBroadcastInfoProc = void (*)(QString pszBroadcastName, QString pszBitRate);
using TBroadcastMetaProc = void (*)(QString pszData);

inline const QString strLoading = QStringLiteral("Loading...");
inline const QString strUnknown = QStringLiteral("Unknown!");
inline const QString strCompleted = QStringLiteral("Completed!");
