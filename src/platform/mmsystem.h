#pragma once
// Stand-ins for the Windows multimedia functions the system uses: wave
// devices, driver messages on wave handles, multimedia timers.
#include "ui/wintypes.h"

struct HWAVEIN__;
using HWAVEIN = HWAVEIN__*;
struct HWAVEOUT__;
using HWAVEOUT = HWAVEOUT__*;

// Values and records as Windows defines them, kept whole where the program
// names only some: a driver or a port may meet any of them.
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT WAVERR_BADFORMAT = 32;
constexpr MMRESULT TIMERR_NOCANDO = 97;

constexpr DWORD CALLBACK_NULL = 0x00000;
constexpr DWORD CALLBACK_WINDOW = 0x10000;
constexpr WORD WAVE_FORMAT_PCM = 1;
constexpr UINT DRV_USER = 0x4000;
constexpr UINT WODM_GETVOLUME = 0x10;
constexpr UINT WODM_SETVOLUME = 0x11;
constexpr UINT TIME_ONESHOT = 0;
constexpr UINT TIME_PERIODIC = 1;

#pragma pack(push, 1)
struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;  // extra bytes that follow the record
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

struct WAVEINCAPSA {
  WORD wMid;
  WORD wPid;
  UINT vDriverVersion;
  CHAR szPname[32];
  DWORD dwFormats;
  WORD wChannels;
  WORD wReserved1;
};
static_assert(sizeof(WAVEINCAPSA) == 48);

struct WAVEOUTCAPSA {
  WORD wMid;
  WORD wPid;
  UINT vDriverVersion;
  CHAR szPname[32];
  DWORD dwFormats;
  WORD wChannels;
  WORD wReserved1;
  DWORD dwSupport;
};
static_assert(sizeof(WAVEOUTCAPSA) == 52);

struct TIMECAPS {
  UINT wPeriodMin;
  UINT wPeriodMax;
};

using LPTIMECALLBACK = void (*)(UINT uTimerID, UINT uMsg, DWORD_PTR dwUser, DWORD_PTR dw1,
                                DWORD_PTR dw2);

UINT waveInGetNumDevs();
MMRESULT waveInGetDevCapsA(UINT_PTR uDeviceID, WAVEINCAPSA* pwic, UINT cbwic);
MMRESULT waveInOpen(HWAVEIN* phwi, UINT uDeviceID, const WAVEFORMATEX* pwfx, DWORD_PTR dwCallback,
                    DWORD_PTR dwInstance, DWORD fdwOpen);
MMRESULT waveInClose(HWAVEIN hwi);
MMRESULT waveInMessage(HWAVEIN hwi, UINT uMsg, DWORD_PTR dw1, DWORD_PTR dw2);

UINT waveOutGetNumDevs();
MMRESULT waveOutGetDevCapsA(UINT_PTR uDeviceID, WAVEOUTCAPSA* pwoc, UINT cbwoc);
MMRESULT waveOutOpen(HWAVEOUT* phwo, UINT uDeviceID, const WAVEFORMATEX* pwfx, DWORD_PTR dwCallback,
                     DWORD_PTR dwInstance, DWORD fdwOpen);
MMRESULT waveOutClose(HWAVEOUT hwo);
MMRESULT waveOutMessage(HWAVEOUT hwo, UINT uMsg, DWORD_PTR dw1, DWORD_PTR dw2);

MMRESULT timeGetDevCaps(TIMECAPS* ptc, UINT cbtc);
// Returns the timer identifier, 0 on failure. The callback runs off the GUI
// thread and must do nothing but post a message.
MMRESULT timeSetEvent(UINT uDelay, UINT uResolution, LPTIMECALLBACK fptc, DWORD_PTR dwUser,
                      UINT fuEvent);
MMRESULT timeKillEvent(UINT uTimerID);
