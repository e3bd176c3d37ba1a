// The wave device functions: device lists, control handles, driver messages.
#include <algorithm>
#include <cstring>
#include <span>

#include "platform/mmsystem.h"
#include "platform/platform.h"

namespace {

using platform::WaveDir;

platform::Backend& TheBackend() {
  return platform::CurrentPlatform().backend();
}

platform::Observer* TheObserver() {
  return platform::CurrentPlatform().observer();
}

// Fills a caps record of either direction; only the first size bytes reach the caller.
template <typename Caps>
MMRESULT GetCaps(WaveDir dir, UINT_PTR id, Caps* out, UINT size) {
  if (out == nullptr) return MMSYSERR_INVALPARAM;
  if (id > 0xFFFFFFFFu) return MMSYSERR_BADDEVICEID;
  platform::WaveDeviceCaps caps;
  const MMRESULT r = TheBackend().WaveDeviceCapsOf(dir, static_cast<UINT>(id), &caps);
  if (r != MMSYSERR_NOERROR) return r;
  Caps full{};
  full.wMid = caps.mid;
  full.wPid = caps.pid;
  full.vDriverVersion = caps.driver_version;
  const std::size_t n = std::min(caps.name.size(), sizeof(full.szPname) - 1);
  std::memcpy(full.szPname, caps.name.data(), n);
  full.dwFormats = caps.formats;
  full.wChannels = caps.channels;
  if constexpr (requires { full.dwSupport; }) full.dwSupport = caps.support;
  std::memcpy(static_cast<void*>(out), &full, std::min<std::size_t>(size, sizeof(Caps)));
  return MMSYSERR_NOERROR;
}

MMRESULT Open(WaveDir dir, std::uintptr_t* handle, UINT id, const WAVEFORMATEX* format) {
  if (handle == nullptr || format == nullptr) return MMSYSERR_INVALPARAM;
  // The record is followed by cbSize extra bytes, as the caller promises.
  WAVEFORMATEX head;
  std::memcpy(&head, format, sizeof head);
  const auto* bytes = reinterpret_cast<const BYTE*>(format);
  const std::span<const BYTE> all(bytes, sizeof(WAVEFORMATEX) + head.cbSize);
  std::uintptr_t h = 0;
  const MMRESULT r = TheBackend().WaveOpen(dir, id, all, &h);
  if (r != MMSYSERR_NOERROR) return r;
  *handle = h;
  if (auto* o = TheObserver()) o->WaveOpened(dir, h, id);
  return r;
}

MMRESULT Close(WaveDir dir, std::uintptr_t handle) {
  const MMRESULT r = TheBackend().WaveClose(dir, handle);
  if (r == MMSYSERR_NOERROR) {
    if (auto* o = TheObserver()) o->WaveClosed(dir, handle);
  }
  return r;
}

MMRESULT Message(WaveDir dir, std::uintptr_t handle, UINT msg, DWORD_PTR p1, DWORD_PTR p2) {
  if (auto* o = TheObserver()) o->WaveMessage(dir, handle, msg, p1, p2);
  return TheBackend().WaveMessage(dir, handle, msg, p1, p2);
}

}  // namespace

UINT waveInGetNumDevs() {
  return TheBackend().WaveDeviceCount(WaveDir::In);
}

MMRESULT waveInGetDevCapsA(UINT_PTR uDeviceID, WAVEINCAPSA* pwic, UINT cbwic) {
  return GetCaps(WaveDir::In, uDeviceID, pwic, cbwic);
}

MMRESULT waveInOpen(HWAVEIN* phwi, UINT uDeviceID, const WAVEFORMATEX* pwfx,
                    DWORD_PTR /*dwCallback*/, DWORD_PTR /*dwInstance*/, DWORD /*fdwOpen*/) {
  if (phwi == nullptr) return MMSYSERR_INVALPARAM;
  std::uintptr_t h = 0;
  const MMRESULT r = Open(WaveDir::In, &h, uDeviceID, pwfx);
  if (r == MMSYSERR_NOERROR) *phwi = HandleFromValue<HWAVEIN>(h);
  return r;
}

MMRESULT waveInClose(HWAVEIN hwi) {
  return Close(WaveDir::In, HandleValue(hwi));
}

MMRESULT waveInMessage(HWAVEIN hwi, UINT uMsg, DWORD_PTR dw1, DWORD_PTR dw2) {
  return Message(WaveDir::In, HandleValue(hwi), uMsg, dw1, dw2);
}

UINT waveOutGetNumDevs() {
  return TheBackend().WaveDeviceCount(WaveDir::Out);
}

MMRESULT waveOutGetDevCapsA(UINT_PTR uDeviceID, WAVEOUTCAPSA* pwoc, UINT cbwoc) {
  return GetCaps(WaveDir::Out, uDeviceID, pwoc, cbwoc);
}

MMRESULT waveOutOpen(HWAVEOUT* phwo, UINT uDeviceID, const WAVEFORMATEX* pwfx,
                     DWORD_PTR /*dwCallback*/, DWORD_PTR /*dwInstance*/, DWORD /*fdwOpen*/) {
  if (phwo == nullptr) return MMSYSERR_INVALPARAM;
  std::uintptr_t h = 0;
  const MMRESULT r = Open(WaveDir::Out, &h, uDeviceID, pwfx);
  if (r == MMSYSERR_NOERROR) *phwo = HandleFromValue<HWAVEOUT>(h);
  return r;
}

MMRESULT waveOutClose(HWAVEOUT hwo) {
  return Close(WaveDir::Out, HandleValue(hwo));
}

MMRESULT waveOutMessage(HWAVEOUT hwo, UINT uMsg, DWORD_PTR dw1, DWORD_PTR dw2) {
  return Message(WaveDir::Out, HandleValue(hwo), uMsg, dw1, dw2);
}
