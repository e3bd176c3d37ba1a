// A change from outside is the user's own: for each control, the user acts
// in the window, and the value the control then shows is set from outside
// in a second run. Both runs must send the same driver messages, change the
// same windows and leave the card in the same state.
#include <gtest/gtest.h>

#include "script_runs.h"

namespace {

using testing_support::After;
using testing_support::LastReply;
using testing_support::RunScript;

struct Case {
  const char* what;
  const char* setup;  // after the windows below are open
  const char* user;
  const char* address;
};

const Case kCases[] = {
    {"a linked input fader", "", "drag frmAnalogInp.Slider1 30", "/card/1/inputs/1/fader"},
    {"the unlinked right input fader of card 2", "click frmAnalogInp.chkLink910",
     "drag frmAnalogInp.Slider10 -20", "/card/2/inputs/2/fader"},
    {"an input source", "", "click frmAnalogInp.SpeedButton1", "/card/1/inputs/3/source"},
    {"the CD input", "", "click frmAnalogInp.SpeedButton17", "/card/1/inputs/4/source"},
    {"Line again from CD", "click frmAnalogInp.SpeedButton17", "click frmAnalogInp.SpeedButton4",
     "/card/1/inputs/4/source"},
    {"a monitor mode", "", "click frmMon.SpeedButton14", "/card/1/monitor/3-4/mode"},
    {"the monitor off", "click frmMon.SpeedButton13", "click frmMon.SpeedButton13",
     "/card/1/monitor/3-4/mode"},
    {"Mute Play", "", "click frmMon.SpeedButton24", "/card/1/monitor/3-4/mute-play"},
    {"a monitor fader of card 2", "", "drag frmMon.Slider9 15", "/card/2/monitor/1/fader"},
    {"an output fader", "", "drag frmWaveLevel.Slider1 -30", "/card/1/outputs/3/fader"},
    {"an output fader to no sound", "", "drag frmWaveLevel.Slider1 -200",
     "/card/1/outputs/3/fader"},
    {"an output mute", "", "click frmWaveLevel.btnMuteOut2", "/card/1/outputs/2/mute"},
    {"a link box", "click frmWaveLevel.chkLink34\ndrag frmWaveLevel.Slider1 20",
     "click frmWaveLevel.chkLink34", "/card/1/outputs/3-4/link"},
    {"a view option", "", "click frmAnalogInp.chkPeakMeter", "/window/inputs/meters"},
    {"the option row", "", "sysmenu frmWaveLevel \" Fenstersteuerung anzeigen\"",
     "/window/outputs/option-row"},
    {"a digital window's meters", "click MixControlWnd.chkDigitalInputs",
     "click frmDigInp.chkPeakMeter", "/window/digital-in/meters"},
    {"a window's box", "", "click MixControlWnd.chkDigitalOutputs", "/window/digital-out/open"},
    {"closing a window", "", "click MixControlWnd.chkAnalogMonitors", "/window/monitor/open"},
    {"stay on top", "", "click MixControlWnd.chkStayOnTop", "/window/control/stay-on-top"},
};

std::string Script(const Case& c, const std::string& action) {
  return std::string("sim cards 2\nstart\ntray dblclick\n") +
         "click MixControlWnd.chkAnalogInputs\nclick MixControlWnd.chkAnalogMonitors\n" +
         "click MixControlWnd.chkAnalogOutputs\n" + c.setup + "\necho ---\n" + action +
         "\nremote get " + c.address + "\ndump card 0\ndump card 1\n";
}

TEST(SameAsUser, EveryKindOfControlChangesAsTheUsersActionChangesIt) {
  for (const Case& c : kCases) {
    const auto user = RunScript(Script(c, c.user));
    const std::string shown = LastReply(user);
    ASSERT_FALSE(shown.empty()) << c.what;
    const auto outside = RunScript(Script(c, std::string("remote set ") + c.address + " " + shown));
    EXPECT_EQ(LastReply(outside), shown) << c.what;
    const auto a = After(user, "---"), b = After(outside, "---");
    EXPECT_EQ(a, b) << c.what << ": " << c.address << " " << shown;
    // The action did something, or the case proves nothing.
    EXPECT_NE(After(RunScript(Script(c, "echo nothing")), "---"), a) << c.what;
  }
}

}  // namespace
