// The control surface: addresses, the values of faders as their scales
// read them, what it refuses, windows that are closed, feedback, dialogs
// that wait, and presets.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "controls/Class_b.h"
#include "controls/slider.h"
#include "program_at_hand.h"
#include "remote/address.h"
#include "remote/controlvalue.h"
#include "remote/requests.h"
#include "settings/mixset.h"
#include "shell/Mixctrl.h"
#include "shell/mixerwindow.h"
#include "ui/useractions.h"

namespace {

using remote::Reply;
using testing_support::ProgramAtHand;
using testing_support::WithProgram;

TEST(Addresses, EveryControlHasOneAddressAndNothingElseIsOne) {
  const auto all = remote::AllAddresses(4);
  std::set<std::string> paths;
  for (const remote::Address& a : all) {
    const std::string path = remote::FormatAddress(a);
    std::string why;
    const auto back = remote::ParseAddress(path, why);
    ASSERT_TRUE(back) << path << ": " << why;
    EXPECT_EQ(*back, a) << path;
    paths.insert(path);
  }
  // Per card: inputs 8 x 3 + 4, monitor 8 + 4 x 3, outputs 8 x 3 + 4,
  // digital 2 + 2; the windows 20.
  EXPECT_EQ(paths.size(), all.size());
  EXPECT_EQ(all.size(), 20u + 4u * (28 + 20 + 28 + 4));
  for (const char* bad :
       {"", "/", "card/1/inputs/1/fader", "/card/0/inputs/1/fader", "/card/5/inputs/1/fader",
        "/card/1/inputs/9/fader", "/card/1/inputs/01x/fader", "/card/1/inputs/1-2/fader",
        "/card/1/inputs/2-3/link", "/card/1/inputs/1/link", "/card/1/inputs/1/mute",
        "/card/1/digital-in/3/meter", "/card/1/control/1/fader", "/card/1/inputs/1/fader/x",
        "/window/inputs/stay-on-top", "/window/control/option-row", "/window/monitor/meters",
        "/window/nowhere/open", "/card/1/monitor/1-2/mute"}) {
    std::string why;
    EXPECT_FALSE(remote::ParseAddress(bad, why)) << bad;
    EXPECT_FALSE(why.empty()) << bad;
  }
}

TEST(Values, TextsAreReadAsTheWindowsWriteThem) {
  struct Db {
    const char* text;
    std::optional<double> value;
  } dbs[] = {{"-7.5", -7.5},
             {" 12 dB", 12.0},
             {"0.0dB", 0.0},
             {"-inf", -INFINITY},
             {"-Infinity", -INFINITY},
             {"inf", {}},
             {"nan", {}},
             {"1e999", {}},
             {"", {}},
             {"loud", {}},
             {"3 4", {}}};
  for (const Db& d : dbs) EXPECT_EQ(remote::ParseDecibels(d.text), d.value) << d.text;
  EXPECT_EQ(remote::ParseSwitch("On"), true);
  EXPECT_EQ(remote::ParseSwitch("0"), false);
  EXPECT_EQ(remote::ParseSwitch("2"), std::nullopt);
  EXPECT_EQ(remote::DecibelText(-0.04), "0.0");
  EXPECT_EQ(remote::DecibelText(-INFINITY), "-inf");
}

// A fader goes to the pixel whose reading is nearest; the driver gets the
// word whose gain is that reading, never a value beyond the scale.
TEST(Faders, AValueGoesToTheNearestReadingAndTheCardAppliesWhatTheScaleReads) {
  struct Case {
    const char* address;
    const char* value;
    const char* shown;  // empty: refused
    sim::Fader law;
    int pair;
    sim::PairField field;
  } cases[] = {
      {"/card/1/inputs/1/fader", "22.5", "22.5", sim::Fader::Input, 0, sim::PairField::InGain},
      {"/card/1/inputs/1/fader", "5", "4.9", sim::Fader::Input, 0, sim::PairField::InGain},
      {"/card/1/inputs/1/fader", "0", "0.0", sim::Fader::Input, 0, sim::PairField::InGain},
      {"/card/1/inputs/1/fader", "22.6", "", sim::Fader::Input, 0, sim::PairField::InGain},
      {"/card/1/inputs/1/fader", "-inf", "", sim::Fader::Input, 0, sim::PairField::InGain},
      {"/card/1/monitor/4/fader", "-35", "-35.0", sim::Fader::Monitor, 1, sim::PairField::MonGain},
      {"/card/1/monitor/4/fader", "12", "12.0", sim::Fader::Monitor, 1, sim::PairField::MonGain},
      {"/card/1/monitor/4/fader", "-36", "", sim::Fader::Monitor, 1, sim::PairField::MonGain},
      // -10.25 and -9.875 stand either side of -10.
      {"/card/1/outputs/8/fader", "-10", "-9.9", sim::Fader::Output, 3, sim::PairField::Volume},
      {"/card/1/outputs/8/fader", "-inf", "-inf", sim::Fader::Output, 3, sim::PairField::Volume},
      {"/card/1/outputs/8/fader", "-40", "-39.7", sim::Fader::Output, 3, sim::PairField::Volume},
      {"/card/1/outputs/8/fader", "-60", "-inf", sim::Fader::Output, 3, sim::PairField::Volume},
      {"/card/1/outputs/8/fader", "0.1", "", sim::Fader::Output, 3, sim::PairField::Volume},
  };
  WithProgram(1, [&](ProgramAtHand& p) {
    for (const Case& c : cases) {
      const std::string before = p.surface.Get(c.address).text;
      p.Sent();
      const Reply r = p.surface.Set(c.address, c.value);
      EXPECT_EQ(r.ok, *c.shown != '\0') << c.address << " " << c.value << ": " << r.text;
      if (!r.ok) {
        EXPECT_TRUE(p.Sent().empty()) << c.address << " " << c.value;
        EXPECT_EQ(p.surface.Get(c.address).text, before);
        continue;
      }
      EXPECT_EQ(r.text, c.shown) << c.address << " " << c.value;
      // The right channel's word of the pair (the faders are linked).
      const std::uint32_t words = p.program.system.GetPairField(0, c.pair, c.field);
      EXPECT_EQ(remote::DecibelText(sim::GainDb(c.law, static_cast<std::uint16_t>(words >> 16))),
                c.shown)
          << c.address << " " << c.value;
    }
  });
}

TEST(Refusals, WhatCannotBeDoneIsSaidAndNothingChanges) {
  struct Case {
    const char* address;
    const char* value;  // null: a read
    const char* why;
  } cases[] = {
      {"/card/3/inputs/1/fader", "3", "no card 3: the system has 2"},
      {"/card/3/inputs/1/fader", nullptr, "no card 3"},
      {"/card/1/inputs/1/meter", "-3", "read only"},
      {"/card/1/inputs/1/fader", "loud", "no value in dB"},
      {"/card/1/inputs/1/source", "CD", "has no CD input"},
      {"/card/1/inputs/1/source", "Aux", "no source"},
      {"/card/1/monitor/1-2/mode", "Loud", "no mode"},
      {"/card/1/outputs/1/mute", "maybe", "neither on nor off"},
      {"/window/inputs/open", "2", "neither on nor off"},
      {"/card/1/inputs/1/nothing", "1", "has no control nothing"},
  };
  WithProgram(2, [&](ProgramAtHand& p) {
    for (const Case& c : cases) {
      const Reply r = c.value ? p.surface.Set(c.address, c.value) : p.surface.Get(c.address);
      EXPECT_FALSE(r.ok) << c.address;
      EXPECT_NE(r.text.find(c.why), std::string::npos) << c.address << ": " << r.text;
      EXPECT_TRUE(p.Sent().empty()) << c.address;
      EXPECT_EQ(p.surface.HiddenWindows(), 0) << c.address;
    }
  });
  // Without a card only the control window answers.
  WithProgram(0, [&](ProgramAtHand& p) {
    EXPECT_EQ(p.surface.Get("/card/1/inputs/1/fader").text, "no card: the driver found none");
    EXPECT_FALSE(p.surface.LoadPreset("all", "Studio").ok);
    EXPECT_TRUE(p.surface.Get("/window/control/stay-on-top").ok);
  });
}

TEST(ClosedWindows, AChangeGoesThroughAHiddenWindowThatRemembersItAndAReadLeavesNothing) {
  WithProgram(1, [&](ProgramAtHand& p) {
    shell::TMixControlWnd& control = *p.program.state.MixControlWnd;
    const auto outputs = shell::MixerSlot::AnalogOutputs;
    // A read makes the window for the moment only, and writes nothing.
    EXPECT_EQ(p.surface.Get("/card/1/outputs/1-2/link").text, "on");
    EXPECT_EQ(control.Slot(outputs), nullptr);
    EXPECT_FALSE(std::filesystem::exists(platform::WindowsDirectory() / "Vozururo.ini"));
    // A change: the window stays hidden while changes come.
    p.Sent();
    EXPECT_TRUE(p.surface.Set("/card/1/outputs/1-2/link", "off").ok);
    EXPECT_TRUE(p.surface.Set("/card/1/outputs/1/fader", "-10").ok);
    EXPECT_FALSE(p.Sent().empty());
    ASSERT_NE(control.Slot(outputs), nullptr);
    EXPECT_FALSE(control.Slot(outputs)->Visible());
    p.Advance(remote::ControlSurface::kLingerMs - 100);
    EXPECT_NE(control.Slot(outputs), nullptr);
    p.Advance(200);
    EXPECT_EQ(control.Slot(outputs), nullptr);
    EXPECT_NE(
        testing_support::Get(platform::WindowsDirectory() / "Vozururo.ini").find("chkLink12=0"),
        std::string::npos);
    // Opened by the user meanwhile, it is theirs and stays.
    EXPECT_TRUE(p.surface.Set("/card/1/inputs/1-2/link", "off").ok);
    ui::user::Click(control.chkAnalogInputs);
    p.Advance(2 * remote::ControlSurface::kLingerMs);
    ASSERT_NE(control.Slot(shell::MixerSlot::AnalogInputs), nullptr);
    EXPECT_TRUE(control.Slot(shell::MixerSlot::AnalogInputs)->Visible());
    EXPECT_EQ(p.surface.Get("/card/1/inputs/1-2/link").text, "off");
    // One still hidden at the end is closed with the others.
    EXPECT_TRUE(p.surface.Set("/card/1/monitor/1-2/link", "off").ok);
  });
}

TEST(Feedback, SubscribersHearEveryChangeWhateverMadeIt) {
  WithProgram(1, [&](ProgramAtHand& p) {
    std::vector<std::string> heard, meters;
    const int id = p.surface.Subscribe(
        "/card/1/inputs/1",
        [&](const std::string& a, const std::string& v) { heard.push_back(a + " " + v); }, false);
    p.surface.Subscribe(
        "/card/1/inputs/1/meter",
        [&](const std::string& a, const std::string& v) { meters.push_back(a + " " + v); }, false,
        true);
    ui::user::Click(p.program.state.MixControlWnd->chkAnalogInputs);
    p.surface.Poll();
    // The window came: what it shows is news.
    EXPECT_EQ(heard, (std::vector<std::string>{"/card/1/inputs/1/source Line",
                                               "/card/1/inputs/1/fader 11.0",
                                               "/card/1/inputs/1-2/link on"}));
    heard.clear();
    auto* fader = dynamic_cast<controls::TSlider*>(
        p.program.state.MixControlWnd->Slot(shell::MixerSlot::AnalogInputs)
            ->FindComponent("Slider1"));
    controls::user::Drag(fader, 10);
    p.surface.Poll();
    EXPECT_EQ(heard, (std::vector<std::string>{"/card/1/inputs/1/fader " +
                                               p.surface.Get("/card/1/inputs/1/fader").text}));
    heard.clear();
    p.surface.Set("/card/1/inputs/1/source", "Mic");
    p.surface.Poll();
    EXPECT_EQ(heard, (std::vector<std::string>{"/card/1/inputs/1/source Mic"}));
    p.program.system.PinLevel(sim::Dir::In, 0, 0, 16384);
    p.Advance(100);
    ASSERT_FALSE(meters.empty());
    EXPECT_EQ(meters.back(),
              "/card/1/inputs/1/meter " + p.surface.Get("/card/1/inputs/1/meter").text);
    EXPECT_NE(meters.back(), "/card/1/inputs/1/meter -inf");
    heard.clear();
    p.surface.Unsubscribe(id);
    p.surface.Set("/card/1/inputs/1/source", "Line");
    p.surface.Poll();
    EXPECT_TRUE(heard.empty());
  });
}

// While a dialog waits for its answer, requests wait too, and are carried
// out once it has it.
TEST(Dialogs, RequestsWaitForTheDialogsAnswer) {
  WithProgram(1, [&](ProgramAtHand& p) {
    remote::RequestQueue requests(p.surface);
    std::vector<std::string> done;
    shell::TMixControlWnd& control = *p.program.state.MixControlWnd;
    p.program.ws.Script([&] {
      EXPECT_TRUE(p.surface.Busy());
      EXPECT_FALSE(p.surface.Set("/window/inputs/open", "on").ok);
      requests.Submit([&] { done.push_back(p.surface.Set("/window/inputs/open", "on").text); });
      EXPECT_TRUE(done.empty());
      ui::TForm* picker = p.program.app.Forms().back();
      picker->SetModalResult(ui::mrCancel);
    });
    control.Perform(WM_SYSCOMMAND, settings::kLoadPresetCommand, 0);
    EXPECT_FALSE(p.surface.Busy());
    requests.Run();
    EXPECT_EQ(done, (std::vector<std::string>{"on"}));
  });
}

TEST(Presets, SavedListedLoadedAndErasedAsThePickerDoes) {
  WithProgram(1, [&](ProgramAtHand& p) {
    EXPECT_TRUE(p.surface.Set("/card/1/outputs/1/fader", "-10").ok);
    EXPECT_TRUE(p.surface.SavePreset("all", "Live").ok);
    EXPECT_TRUE(p.surface.SavePreset("outputs", "Quiet").ok);
    EXPECT_EQ(p.surface.Presets("all").text, "Live\n");
    EXPECT_EQ(p.surface.Presets("outputs").text, "Live\nQuiet\n");
    EXPECT_TRUE(p.surface.Set("/card/1/outputs/1/fader", "-30").ok);
    EXPECT_TRUE(p.surface.LoadPreset("", "Live").ok);
    EXPECT_EQ(p.surface.Get("/card/1/outputs/1/fader").text, "-9.9");
    EXPECT_TRUE(p.surface.ErasePreset("all", "Live").ok);
    EXPECT_EQ(p.surface.Presets("outputs").text, "Quiet\n");
    struct Refused {
      const char* window;
      const char* name;
      bool load;
    } refused[] = {{"all", "Live", true},         {"outputs", "Nothing", true},
                   {"digital-in", "Quiet", true}, {"all", "a=b", false},
                   {"all", " blank", false},      {"inputs", "", false}};
    for (const Refused& r : refused) {
      const Reply reply =
          r.load ? p.surface.LoadPreset(r.window, r.name) : p.surface.SavePreset(r.window, r.name);
      EXPECT_FALSE(reply.ok) << r.window << " " << r.name;
    }
    EXPECT_EQ(p.surface.Presets("all").text, "");
  });
}

}  // namespace
