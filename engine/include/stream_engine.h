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

/* The constants keep their comments aligned. */
/* clang-format off */

/* Stream creation flags. */
#define BASS_STREAM_AUTOFREE 0x40000u /* free the stream once the download and playback ended */
#define BASS_STREAM_BLOCK 0x100000u   /* download in small blocks (live streams) */
#define BASS_STREAM_STATUS 0x800000u  /* keep the reply's header lines as tags */
#define BASS_UNICODE 0x80000000u      /* strings are UTF-16 */

/* Configuration options. */
#define BASS_CONFIG_NET_PREBUF 15   /* percentage pre-buffered before playback (0 = none) */
#define BASS_CONFIG_NET_PLAYLIST 21 /* 1 = follow .pls/.m3u replies to their first address */

/* BASS_StreamGetFilePosition modes. While a lost connection is being made again the stream is
 * still connected; it gives up after 30 s without audio, or at once on a reply that is not
 * audio. */
#define BASS_FILEPOS_END 2       /* size of the download buffer in bytes */
#define BASS_FILEPOS_CONNECTED 4 /* 1 while downloading, 0 once the download ended */
#define BASS_FILEPOS_BUFFER 5    /* bytes waiting in the download buffer */

/* BASS_ChannelGetTags kinds. */
#define BASS_TAG_HTTP 3 /* status line and header lines of an HTTP reply */
#define BASS_TAG_ICY 4  /* header lines of an "ICY 200 OK" reply */
#define BASS_TAG_META 5 /* latest in-stream metadata block */

/* Sync kinds. */
#define BASS_SYNC_END 2   /* the stream has ended for good: its download is over (the server went
                             away and reconnecting gave up, or a whole file arrived) and its
                             audio has been played */
#define BASS_SYNC_META 4  /* a metadata block with new content is being played */
#define BASS_SYNC_STALL 6 /* the connection was lost and is being made again (data 0), or audio
                             flows again (data 1) */
#define BASS_SYNC_DEV_FAIL 14 /* the sound device was lost (the sound server went away, the device
                                 was removed) and is being opened again (data 0), or sound is back
                                 (data 1); the stream keeps its state meanwhile */

/* BASS_ChannelGetPosition modes. */
#define BASS_POS_BYTE 0 /* bytes of 44.1 kHz stereo float32 played so far */

/* Channel attributes. */
#define BASS_ATTRIB_VOL 2 /* gain 0.0 to 1.0 */

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

/* clang-format on */

/* Opens the default device (44100 Hz, stereo, float32); the arguments are ignored. 0 when no
 * device opens, or with BASS_ERROR_ALREADY while open. Thread safety: any thread. */
ENGINE_API BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* dsguid);
/* Aborts every stream still connecting (its BASS_StreamCreateURL returns 0), frees every stream
 * and closes the device. Thread safety: any thread, a sync callback included. */
ENGINE_API BOOL BASS_Free(void);
/* Error of the last call made on the calling thread. */
ENGINE_API int BASS_ErrorGetCode(void);
/* BASS_CONFIG_NET_PLAYLIST and BASS_CONFIG_NET_PREBUF; others: 0. Any thread; applies to
 * streams created afterwards. */
ENGINE_API BOOL BASS_SetConfig(DWORD option, DWORD value);
/* No plug-ins exist: always 0. */
ENGINE_API HPLUGIN BASS_PluginLoad(const char* file, DWORD flags);
/* Blocks until connected and the format is known; then the download goes on in the
 * background. url is UTF-16 with BASS_UNICODE, else UTF-8. 0 on failure. Any thread; a
 * BASS_StreamFree of the handle being connected (or BASS_Free) makes it return 0 promptly. */
ENGINE_API HSTREAM BASS_StreamCreateURL(const void* url, DWORD offset, DWORD flags,
                                        DOWNLOADPROC* proc, void* user);
/* Stops, aborts the download and frees the stream; 0 or a stale handle: 0. Once it returns, no
 * sync of that stream runs any more (a sync running meanwhile is waited for), so a sync's user
 * data may be freed then. Any thread, a sync callback of that stream included; a sync must not
 * wait for a thread that may be freeing its stream. */
ENGINE_API BOOL BASS_StreamFree(HSTREAM handle);
/* BASS_FILEPOS_END, _BUFFER, _CONNECTED; all bits set for a bad handle. Any thread; cheap
 * enough to poll. */
ENGINE_API QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode);
/* Header lines or the current metadata block, NULL when none. The pointer stays valid until
 * that tag changes or the stream is freed. Any thread. */
ENGINE_API const char* BASS_ChannelGetTags(DWORD handle, DWORD tags);
/* BASS_SYNC_META, _STALL, _DEV_FAIL and _END: proc runs on the engine's dispatcher thread, with no
 * engine lock held, each time a metadata block with new content is heard, the connection is lost or
 * back, or (once) the stream has ended, until the stream is freed; an end sync runs before an
 * auto-freeing stream is freed. Any thread. */
ENGINE_API HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc,
                                     void* user);
/* Starts (or resumes) decoding and output; restart is ignored. Any thread. */
ENGINE_API BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
/* Silences the stream at once and pauses its decoder; the handle stays valid. Any thread. */
ENGINE_API BOOL BASS_ChannelStop(DWORD handle);
/* BASS_ATTRIB_VOL: gain clamped to 0.0..1.0, applied in the mix. Any thread. */
ENGINE_API BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value);
/* BASS_POS_BYTE: output bytes played so far. Any thread. */
ENGINE_API QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);

#ifdef __cplusplus
}
#endif

#endif
