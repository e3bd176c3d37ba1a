// The Win32-named stand-ins on the simulated system.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/mmsystem.h"
#include "platform/shellapi.h"
#include "platform/sim_fixture.h"
#include "platform/winbase.h"
#include "platform/winuser.h"
#include "platform/wownt32.h"

namespace {

using testing_support::SimPlatformTest;

#pragma pack(push, 1)
struct CtrlFormat {
  WAVEFORMATEX head;
  char extra[4];
};
#pragma pack(pop)

CtrlFormat Ctrl() {
  return {{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 4}, {'C', 'T', 'R', 'L'}};
}

class StandIns : public SimPlatformTest {};

TEST_F(StandIns, DeviceCapsCarryMakerProductAndName) {
  EXPECT_EQ(waveInGetNumDevs(), 6u);
  EXPECT_EQ(waveOutGetNumDevs(), 6u);
  WAVEINCAPSA in;
  std::memset(&in, 0xCC, sizeof in);
  ASSERT_EQ(waveInGetDevCapsA(4, &in, sizeof in), MMSYSERR_NOERROR);
  EXPECT_EQ(in.wMid, 190);
  EXPECT_EQ(in.wPid, 5);
  EXPECT_STREQ(in.szPname, "Analog Record 7-8");
  WAVEOUTCAPSA out;
  ASSERT_EQ(waveOutGetDevCapsA(0, &out, sizeof out), MMSYSERR_NOERROR);
  EXPECT_EQ(out.wMid, 2);
  EXPECT_EQ(out.wPid, 6);
  EXPECT_EQ(waveOutGetDevCapsA(6, &out, sizeof out), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(waveInGetDevCapsA(0, nullptr, sizeof in), MMSYSERR_INVALPARAM);
}

TEST_F(StandIns, LongNamesAreCutToFitSzPname) {
  system.AddDevice(sim::Dir::In, 7, 1, std::string(40, 'x'));
  WAVEINCAPSA in;
  ASSERT_EQ(waveInGetDevCapsA(6, &in, sizeof in), MMSYSERR_NOERROR);
  EXPECT_EQ(std::strlen(in.szPname), 31u);
}

TEST_F(StandIns, OpenCloseAndMessagesAreObservedWithTheirHandles) {
  const CtrlFormat fmt = Ctrl();
  HWAVEOUT out = nullptr;
  ASSERT_EQ(waveOutOpen(&out, 1, &fmt.head, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  EXPECT_EQ(HandleValue(out), 1u);
  HWAVEIN in = nullptr;
  ASSERT_EQ(waveInOpen(&in, 5, &fmt.head, 0x1234, 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
  EXPECT_EQ(HandleValue(in), 1u);
  waveOutMessage(out, 0x4002, 0xFFFF0000, 0);
  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(out), MMSYSERR_INVALHANDLE);  // a failed close is not reported
  EXPECT_EQ(observer.lines,
            (std::vector<std::string>{"open out h1 dev1", "open in h1 dev5",
                                      "msg out h1 0x4002 0xFFFF0000", "close out h1"}));
  EXPECT_EQ(system.GetPairField(0, 0, sim::PairField::Mute), 0xFFFF0000u);
}

TEST_F(StandIns, OpenRefusesOtherFormatsAndBadDevices) {
  CtrlFormat fmt = Ctrl();
  HWAVEIN in = nullptr;
  EXPECT_EQ(waveInOpen(&in, 9, &fmt.head, 0, 0, 0), MMSYSERR_BADDEVICEID);
  fmt.head.cbSize = 0;
  EXPECT_EQ(waveInOpen(&in, 1, &fmt.head, 0, 0, 0), WAVERR_BADFORMAT);
  fmt = Ctrl();
  fmt.extra[0] = 'c';
  EXPECT_EQ(waveInOpen(&in, 1, &fmt.head, 0, 0, 0), WAVERR_BADFORMAT);
  EXPECT_EQ(waveInOpen(&in, 1, nullptr, 0, 0, 0), MMSYSERR_INVALPARAM);
  EXPECT_TRUE(observer.lines.empty());  // only successful opens are reported
  fmt = Ctrl();
  ASSERT_EQ(waveInOpen(&in, 1, &fmt.head, 0, 0, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(HandleValue(in), 1u);  // failures used up no handle number
}

TEST_F(StandIns, SixteenBitBlocksHaveDeterministicSelectors) {
  WORD h1 = 0, h2 = 0;
  const DWORD a = WOWGlobalAllocLock16(GMEM_ZEROINIT, 4, &h1);
  const DWORD b = WOWGlobalAllocLock16(GMEM_MOVEABLE | GMEM_ZEROINIT, 80, &h2);
  EXPECT_EQ(a, 0x0E070000u);
  EXPECT_EQ(b, 0x0E0F0000u);
  auto* flat = static_cast<BYTE*>(WOWGetVDMPointer(b, 80, TRUE));
  ASSERT_NE(flat, nullptr);
  EXPECT_EQ(WOWGetVDMPointer(b + 8, 4, TRUE), flat + 8);
  EXPECT_EQ(WOWGetVDMPointer(b, 81, TRUE), nullptr);
  EXPECT_EQ(WOWGetVDMPointer(b, 4, FALSE), nullptr);
  EXPECT_EQ(WOWGetVDMPointerFix(a, 4, TRUE), WOWGetVDMPointer(a, 4, TRUE));
  WOWGetVDMPointerUnfix(a);
  EXPECT_EQ(WOWGlobalUnlockFree16(a), 0);
  EXPECT_NE(WOWGlobalUnlockFree16(a), 0);
  system.SetArenaLimit(100);
  EXPECT_EQ(WOWGlobalAllocLock16(GMEM_ZEROINIT, 40, &h1), 0u);  // 80 + 40 > 100
}

TEST_F(StandIns, ShellExecuteStartsOnlyRunDllAndReportsIt) {
  const auto ok = HandleValue(ShellExecuteA(nullptr, nullptr, "rundll.exe", "x", "", 10));
  EXPECT_GT(ok, 32u);
  EXPECT_EQ(HandleValue(ShellExecuteA(nullptr, nullptr, "notepad.exe", "x", "", 10)), 2u);
  system.SetBridge(sim::BridgeMode::Fail);
  EXPECT_EQ(HandleValue(ShellExecuteA(nullptr, nullptr, "rundll.exe", "y", "", 10)), 2u);
  EXPECT_EQ(observer.lines, (std::vector<std::string>{"start rundll.exe \"x\""}));
}

TEST_F(StandIns, TrayIconReportsItsTipAndCanBeMadeToFail) {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  std::strcpy(data.szTip, "Einstellungen für Morva");
  EXPECT_EQ(Shell_NotifyIconA(NIM_ADD, &data), TRUE);
  EXPECT_EQ(Shell_NotifyIconA(NIM_DELETE, &data), TRUE);
  system.SetTrayOk(false);
  EXPECT_EQ(Shell_NotifyIconA(NIM_ADD, &data), FALSE);
  EXPECT_EQ(Shell_NotifyIconA(NIM_ADD, nullptr), FALSE);
  EXPECT_EQ(observer.lines,
            (std::vector<std::string>{"tray add \"Einstellungen für Morva\"", "tray delete"}));
}

TEST_F(StandIns, MessageBoxesGoToTheServiceAndTheObserver) {
  platform.recording_boxes().answers.push_back(IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "Text", "Caption", MB_YESNO), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "Zwei", "C2", MB_YESNO), IDYES);  // first button
  EXPECT_EQ(MessageBoxA(nullptr, "Drei", "C3", MB_OK | MB_ICONHAND), IDOK);
  ASSERT_EQ(boxes().size(), 3u);
  EXPECT_EQ(boxes()[2].flags, 0x10u);
  EXPECT_EQ(observer.lines[0], "box \"Caption\" 0x04 \"Text\"");
}

TEST_F(StandIns, SleepMovesThePlatformClock) {
  Sleep(25);
  EXPECT_EQ(clock.NowMs(), 25);
}

TEST(PlatformContext, ScopesNestAndRestore) {
  sim::VirtualClock clock;
  sim::System system(clock);
  platform::SimBackend backend(system);
  platform::Platform outer(backend);
  platform::Platform inner(backend);
  EXPECT_FALSE(platform::HasPlatform());
  EXPECT_THROW(platform::CurrentPlatform(), std::logic_error);
  {
    platform::ScopedPlatform a(outer);
    {
      platform::ScopedPlatform b(inner);
      EXPECT_EQ(&platform::CurrentPlatform(), &inner);
    }
    EXPECT_EQ(&platform::CurrentPlatform(), &outer);
  }
  EXPECT_FALSE(platform::HasPlatform());
}

}  // namespace
