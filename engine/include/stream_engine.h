/*
 * Zelvorna stream engine: plays internet audio streams (HTTP/HTTPS, ICY) on the default audio
 * device. C interface; the player binds these entry points at run time by name.
 *
 * Thread safety: every entry point may be called from any thread. No engine lock is held while a
 * sync callback runs, so a callback may call back into the engine.
 */
#ifndef ZELVORNA_STREAM_ENGINE_H
#define ZELVORNA_STREAM_ENGINE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(ZELVORNA_ENGINE_BUILD)
#define ENGINE_API __attribute__((visibility("default")))
#else
#define ENGINE_API
#endif

typedef uint32_t DWORD;
typedef uint64_t QWORD;
typedef int BOOL;
typedef DWORD HSTREAM;
typedef DWORD HSYNC;
typedef DWORD HPLUGIN;

/* Sync callback: runs on an engine thread, never inside the caller of an entry point. */
typedef void SYNCPROC(HSYNC handle, DWORD channel, DWORD data, void* user);
/* Download callback (accepted for compatibility; the engine never calls it). */
typedef void DOWNLOADPROC(const void* buffer, DWORD length, void* user);

/* Stream creation flags. */
#define BASS_STREAM_AUTOFREE 0x40000u   /* free the stream once the download and playback ended */
#define BASS_STREAM_BLOCK 0x100000u     /* download in small blocks (live streams) */
#define BASS_STREAM_STATUS 0x800000u    /* keep the reply's header lines as tags */
#define BASS_UNICODE 0x80000000u        /* strings are UTF-16 */

/* Configuration options. */
#define BASS_CONFIG_NET_PREBUF 15       /* percentage pre-buffered before playback (0 = none) */
#define BASS_CONFIG_NET_PLAYLIST 21     /* 1 = follow .pls/.m3u replies to their first address */

/* BASS_StreamGetFilePosition modes. */
#define BASS_FILEPOS_END 2              /* size of the download buffer in bytes */
#define BASS_FILEPOS_CONNECTED 4        /* 1 while downloading, 0 once the download ended */
#define BASS_FILEPOS_BUFFER 5           /* bytes waiting in the download buffer */

/* BASS_ChannelGetTags kinds. */
#define BASS_TAG_HTTP 3                 /* status line and header lines of an HTTP reply */
#define BASS_TAG_ICY 4                  /* header lines of an "ICY 200 OK" reply */
#define BASS_TAG_META 5                 /* latest in-stream metadata block */

/* Sync kinds. */
#define BASS_SYNC_META 4                /* a metadata block with new content is being played */

/* Channel attributes. */
#define BASS_ATTRIB_VOL 2               /* gain 0.0 to 1.0 */

/* Error codes of BASS_ErrorGetCode. */
#define BASS_OK 0
#define BASS_ERROR_HANDLE 5
#define BASS_ERROR_ALREADY 14
#define BASS_ERROR_FILEOPEN 2
#define BASS_ERROR_FORMAT 6
#define BASS_ERROR_INIT 8
#define BASS_ERROR_DEVICE 23
#define BASS_ERROR_ILLPARAM 20
#define BASS_ERROR_TIMEOUT 40
#define BASS_ERROR_FILEFORM 41
#define BASS_ERROR_SSL 10
#define BASS_ERROR_ILLTYPE 19
#define BASS_ERROR_UNKNOWN -1

ENGINE_API BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* dsguid);
ENGINE_API BOOL BASS_Free(void);
ENGINE_API int BASS_ErrorGetCode(void);
ENGINE_API BOOL BASS_SetConfig(DWORD option, DWORD value);
ENGINE_API HPLUGIN BASS_PluginLoad(const char* file, DWORD flags);
ENGINE_API HSTREAM BASS_StreamCreateURL(const void* url, DWORD offset, DWORD flags,
                                        DOWNLOADPROC* proc, void* user);
ENGINE_API BOOL BASS_StreamFree(HSTREAM handle);
ENGINE_API QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode);
ENGINE_API const char* BASS_ChannelGetTags(DWORD handle, DWORD tags);
ENGINE_API HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc,
                                     void* user);
ENGINE_API BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
ENGINE_API BOOL BASS_ChannelStop(DWORD handle);
ENGINE_API BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value);

#ifdef __cplusplus
}
#endif

#endif
