// The subset of DirectSound 8 that the game calls: the playback device, its
// primary buffer and looping secondary buffers. Implemented over SDL2's audio
// with a software mixer that plays every playing secondary buffer as a ring,
// converting its rate and channel count to the device's.
#pragma once

#include "platform/Win32.h"

typedef void* LPVOID;

// Result codes (our own numbering; only their sign is a contract).
const HRESULT DS_OK = 0;
const HRESULT DSERR_GENERIC = -1;
const HRESULT DSERR_INVALIDPARAM = -2;
const HRESULT DSERR_INVALIDCALL = -3;
const HRESULT DSERR_NODRIVER = -4;
const HRESULT DSERR_ALLOCATED = -5;
const HRESULT DSERR_BADFORMAT = -6;
const HRESULT DSERR_OUTOFMEMORY = -7;
const HRESULT DSERR_NOAGGREGATION = -8;
const HRESULT DSERR_NOINTERFACE = -9;
const HRESULT DSERR_CONTROLUNAVAIL = -10;

// Buffer capabilities.
const DWORD DSBCAPS_PRIMARYBUFFER = 0x00000001;
const DWORD DSBCAPS_CTRLFREQUENCY = 0x00000020;
const DWORD DSBCAPS_CTRLPAN = 0x00000040;
const DWORD DSBCAPS_CTRLVOLUME = 0x00000080;
const DWORD DSBCAPS_GETCURRENTPOSITION2 = 0x00010000;

// Cooperative levels.
const DWORD DSSCL_NORMAL = 1;
const DWORD DSSCL_PRIORITY = 2;

// Play flags.
const DWORD DSBPLAY_LOOPING = 0x00000001;

// Volume in hundredths of a decibel: 0 is the buffer's own level.
const LONG DSBVOLUME_MIN = -10000;
const LONG DSBVOLUME_MAX = 0;

// Sample rates a secondary buffer may have, and the largest buffer.
const DWORD DSBFREQUENCY_MIN = 100;
const DWORD DSBFREQUENCY_MAX = 200000;
const DWORD DSBSIZE_MIN = 4;
const DWORD DSBSIZE_MAX = 0x0FFFFFFF;

const WORD WAVE_FORMAT_PCM = 1;

#pragma pack(push, 1)
// PCM wave format; 18 bytes as the format records it.
struct WAVEFORMATEX
{
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)
typedef WAVEFORMATEX* LPWAVEFORMATEX;
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;

// dwSize is 36 with 32-bit pointers and sizeof(DSBUFFERDESC) here; any value
// of at least 36 is accepted.
struct DSBUFFERDESC
{
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwReserved;
    LPWAVEFORMATEX lpwfxFormat;
    GUID guid3DAlgorithm;
};
typedef const DSBUFFERDESC* LPCDSBUFFERDESC;

extern const GUID DSDEVID_DefaultPlayback;
extern const GUID IID_IDirectSoundBuffer;
extern const GUID IID_IDirectSoundBuffer8;

// A sound buffer. The primary buffer only takes SetFormat (the device's
// output format); secondary buffers hold 16-bit PCM that the mixer plays.
struct IDirectSoundBuffer
{
    virtual HRESULT QueryInterface(REFIID iid, LPVOID* object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    // Cursors in bytes from the buffer's start; either pointer may be null.
    // The play cursor is where the mixer reads next.
    virtual HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) = 0;
    // Hands out the bytes [offset, offset + bytes) as one region up to the
    // end of the buffer and, if audio2 is given, a second region from the
    // start for the rest. The mixer plays silence in a locked region.
    virtual HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* audio1, DWORD* bytes1, LPVOID* audio2,
                         DWORD* bytes2, DWORD flags) = 0;
    virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
    virtual HRESULT SetFormat(LPCWAVEFORMATEX format) = 0;
    virtual HRESULT SetVolume(LONG volume) = 0;
    // Keeps the play cursor and the contents.
    virtual HRESULT Stop() = 0;
    virtual HRESULT Unlock(LPVOID audio1, DWORD bytes1, LPVOID audio2, DWORD bytes2) = 0;

protected:
    ~IDirectSoundBuffer() = default;
};

struct IDirectSoundBuffer8 : public IDirectSoundBuffer
{
protected:
    ~IDirectSoundBuffer8() = default;
};

// The playback device. Its last Release closes the output; buffers still
// held afterwards keep their memory but are no longer played.
struct IDirectSound8
{
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, IDirectSoundBuffer** buffer,
                                      void* outer) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;

protected:
    ~IDirectSound8() = default;
};
typedef IDirectSound8* LPDIRECTSOUND8;
typedef IDirectSoundBuffer* LPDIRECTSOUNDBUFFER;
typedef IDirectSoundBuffer8* LPDIRECTSOUNDBUFFER8;

// Opens the default playback device at 44100 Hz, 16-bit stereo. Fails with
// DSERR_NODRIVER when no audio output can be opened, and with DSERR_ALLOCATED
// while another device object is alive. No aggregation (outer must be null).
HRESULT DirectSoundCreate8(LPCGUID device, LPDIRECTSOUND8* directSound, void* outer);
