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
using Lines = std::vector<std::string>;

// Addresses and values are read as the windows write them; nothing else is one.
TEST(Parsing, AddressesAndValuesAreReadAsTheWindowsWriteThem) {
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
  using Db = std::pair<const char*, std::optional<double>>;
  for (const auto& [text, value] :
       {Db("-7.5", -7.5), Db(" 12 dB", 12.0), Db("0.0dB", 0.0), Db("-inf", -INFINITY),
        Db("-Infinity", -INFINITY), Db("inf", {}), Db("nan", {}), Db("1e999", {}), Db("", {}),
        Db("loud", {}), Db("3 4", {})})
    EXPECT_EQ(remote::ParseDecibels(text), value) << text;
  EXPECT_EQ(remote::ParseSwitch("On"), true);
  EXPECT_EQ(remote::ParseSwitch("0"), false);
  EXPECT_EQ(remote::ParseSwitch("2"), std::nullopt);
  EXPECT_EQ(remote::DecibelText(-0.04), "0.0");
  EXPECT_EQ(remote::DecibelText(-INFINITY), "-inf");
}

// A fader goes to the pixel whose reading is nearest; the driver gets the
// word whose gain is that reading (-10.25 and -9.875 stand either side of -10).
TEST(Faders, AValueGoesToTheNearestReadingAndTheCardAppliesWhatTheScaleReads) {
  struct Fader {
    const char* address;
    sim::Fader law;
    int pair;
    sim::PairField field;
  };
  const Fader in{"/card/1/inputs/1/fader", sim::Fader::Input, 0, sim::PairField::InGain},
      mon{"/card/1/monitor/4/fader", sim::Fader::Monitor, 1, sim::PairField::MonGain},
      out{"/card/1/outputs/8/fader", sim::Fader::Output, 3, sim::PairField::Volume};
  struct Case {
    const Fader& fader;
    const char* value;
    const char* shown;
  } cases[] = {{in, "22.5", "22.5"},  {in, "5", "4.9"},      {in, "0", "0.0"},
               {mon, "-35", "-35.0"}, {mon, "12", "12.0"},   {out, "-10", "-9.9"},
               {out, "-inf", "-inf"}, {out, "-40", "-39.7"}, {out, "-60", "-inf"}};
  WithProgram(1, [&](ProgramAtHand& p) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.fader.address) + " " + c.value);
      const Reply r = p.surface.Set(c.fader.address, c.value);
      EXPECT_TRUE(r.ok) << r.text;
      EXPECT_EQ(r.text, c.shown);
      // The right channel's word of the pair (the faders are linked).
      const std::uint32_t words = p.program.system.GetPairField(0, c.fader.pair, c.fader.field);
      EXPECT_EQ(
          remote::DecibelText(sim::GainDb(c.fader.law, static_cast<std::uint16_t>(words >> 16))),
          c.shown);
    }
  });
}

// What cannot be done is said, and neither the card nor the windows change.
TEST(Refusals, WhatCannotBeDoneIsSaidAndNothingChanges) {
  struct Case {
    const char* address;
    const char* value;  // null: a read
    const char* why;
  } cases[] = {{"/card/3/inputs/1/fader", "3", "no card 3: the system has 2"},
               {"/card/3/inputs/1/fader", nullptr, "no card 3"},
               {"/card/1/inputs/1/meter", "-3", "read only"},
               {"/card/1/inputs/1/fader", "loud", "no value in dB"},
               {"/card/1/inputs/1/fader", "22.6", "beyond the fader's scale"},
               {"/card/1/inputs/1/fader", "-inf", "beyond the fader's scale"},
               {"/card/1/monitor/4/fader", "-36", "beyond the fader's scale"},
               {"/card/1/outputs/8/fader", "0.1", "beyond the fader's scale"},
               {"/card/1/inputs/1/source", "CD", "has no CD input"},
               {"/card/1/inputs/1/source", "Aux", "no source"},
               {"/card/1/monitor/1-2/mode", "Loud", "no mode"},
               {"/card/1/outputs/1/mute", "maybe", "neither on nor off"},
               {"/window/inputs/open", "2", "neither on nor off"},
               {"/card/1/inputs/1/nothing", "1", "has no control nothing"}};
  WithProgram(2, [&](ProgramAtHand& p) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.address);
      const std::string before = p.surface.Get(c.address).text;
      p.Sent();
      const Reply r = c.value ? p.surface.Set(c.address, c.value) : p.surface.Get(c.address);
      EXPECT_FALSE(r.ok);
      EXPECT_NE(r.text.find(c.why), std::string::npos) << r.text;
      EXPECT_TRUE(p.Sent().empty());
      EXPECT_EQ(p.surface.Get(c.address).text, before);
      EXPECT_EQ(p.surface.HiddenWindows(), 0);
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
    const auto ini = platform::WindowsDirectory() / "Vozururo.ini";
    // A read makes the window for the moment only, and writes nothing.
    EXPECT_EQ(p.surface.Get("/card/1/outputs/1-2/link").text, "on");
    EXPECT_EQ(control.Slot(outputs), nullptr);
    EXPECT_FALSE(std::filesystem::exists(ini));
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
    EXPECT_NE(testing_support::Get(ini).find("chkLink12=0"), std::string::npos);
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
    Lines heard, meters;
    auto into = [](Lines& to) {
      return [&to](const std::string& a, const std::string& v) { to.push_back(a + " " + v); };
    };
    // Polls and hands over what was heard since the last time.
    auto news = [&] {
      p.surface.Poll();
      return std::exchange(heard, {});
    };
    const int id = p.surface.Subscribe("/card/1/inputs/1", into(heard), false);
    p.surface.Subscribe("/card/1/inputs/1/meter", into(meters), false, true);
    shell::TMixControlWnd& control = *p.program.state.MixControlWnd;
    ui::user::Click(control.chkAnalogInputs);
    // The window came: what it shows is news.
    EXPECT_EQ(news(), (Lines{"/card/1/inputs/1/source Line", "/card/1/inputs/1/fader 11.0",
                             "/card/1/inputs/1-2/link on"}));
    controls::user::Drag(
        dynamic_cast<controls::TSlider*>(
            control.Slot(shell::MixerSlot::AnalogInputs)->FindComponent("Slider1")),
        10);
    EXPECT_EQ(news(),
              (Lines{"/card/1/inputs/1/fader " + p.surface.Get("/card/1/inputs/1/fader").text}));
    p.surface.Set("/card/1/inputs/1/source", "Mic");
    EXPECT_EQ(news(), (Lines{"/card/1/inputs/1/source Mic"}));
    p.program.system.PinLevel(sim::Dir::In, 0, 0, 16384);
    p.Advance(100);
    ASSERT_FALSE(meters.empty());
    EXPECT_EQ(meters.back(),
              "/card/1/inputs/1/meter " + p.surface.Get("/card/1/inputs/1/meter").text);
    EXPECT_NE(meters.back(), "/card/1/inputs/1/meter -inf");
    heard.clear();
    p.surface.Unsubscribe(id);
    p.surface.Set("/card/1/inputs/1/source", "Line");
    EXPECT_TRUE(news().empty());
  });
}

// While a dialog waits for its answer, requests wait too, and are carried
// out once it has it.
TEST(Dialogs, RequestsWaitForTheDialogsAnswer) {
  WithProgram(1, [&](ProgramAtHand& p) {
    remote::RequestQueue requests(p.surface);
    Lines done;
    p.program.ws.Script([&] {
      EXPECT_TRUE(p.surface.Busy());
      EXPECT_FALSE(p.surface.Set("/window/inputs/open", "on").ok);
      requests.Submit([&] { done.push_back(p.surface.Set("/window/inputs/open", "on").text); });
      EXPECT_TRUE(done.empty());
      p.program.app.Forms().back()->SetModalResult(ui::mrCancel);
    });
    p.program.state.MixControlWnd->Perform(WM_SYSCOMMAND, settings::kLoadPresetCommand, 0);
    EXPECT_FALSE(p.surface.Busy());
    requests.Run();
    EXPECT_EQ(done, (Lines{"on"}));
  });
}

TEST(Presets, SavedListedLoadedAndErasedAsThePickerDoes) {
  WithProgram(1, [&](ProgramAtHand& p) {
    remote::ControlSurface& s = p.surface;
    EXPECT_TRUE(s.Set("/card/1/outputs/1/fader", "-10").ok);
    EXPECT_TRUE(s.SavePreset("all", "Live").ok);
    EXPECT_TRUE(s.SavePreset("outputs", "Quiet").ok);
    EXPECT_EQ(s.Presets("all").text, "Live\n");
    EXPECT_EQ(s.Presets("outputs").text, "Live\nQuiet\n");
    EXPECT_TRUE(s.Set("/card/1/outputs/1/fader", "-30").ok);
    EXPECT_TRUE(s.LoadPreset("", "Live").ok);
    EXPECT_EQ(s.Get("/card/1/outputs/1/fader").text, "-9.9");
    EXPECT_TRUE(s.ErasePreset("all", "Live").ok);
    EXPECT_EQ(s.Presets("outputs").text, "Quiet\n");
    using Named = std::pair<const char*, const char*>;
    for (const auto& [window, name] :
         {Named{"all", "Live"}, Named{"outputs", "Nothing"}, Named{"digital-in", "Quiet"}})
      EXPECT_FALSE(s.LoadPreset(window, name).ok) << window << " " << name;
    for (const char* name : {"a=b", " blank", ""})
      EXPECT_FALSE(s.SavePreset(name[0] ? "all" : "inputs", name).ok) << name;
    EXPECT_EQ(s.Presets("all").text, "");
  });
}

}  // namespace
