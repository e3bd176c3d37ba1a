// OSC on the control surface: values in and out as their kinds are typed,
// answers to the sender (or the port it names), errors for what cannot be
// done, feedback to subscribers, and packets that are no OSC dropped.
#include <gtest/gtest.h>
#ifdef MORVA_HAVE_LIBLO
#include <arpa/inet.h>

#include "program_at_hand.h"
#include "remote/osc.h"
#include "remote/requests.h"
#include "shell/Mixctrl.h"
#include "ui/useractions.h"

namespace {

using remote::OscArg;
using testing_support::ProgramAtHand;
using testing_support::WithProgram;
using Lines = std::vector<std::string>;

remote::OscPeer Local(int port) {
  remote::OscPeer p;
  auto& in = reinterpret_cast<sockaddr_in&>(p.addr);
  in.sin_family = AF_INET;
  in.sin_port = htons(static_cast<std::uint16_t>(port));
  in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  p.len = sizeof(sockaddr_in);
  return p;
}

OscArg F(double v) {
  return {'f', v, {}};
}
OscArg I(int v) {
  return {'i', double(v), {}};
}
OscArg S(std::string v) {
  return {'s', 0, std::move(v)};
}

// An endpoint on the program; what it sends is kept as lines
// "PORT PATH ARG..." with floats to one decimal.
struct Osc {
  explicit Osc(ProgramAtHand& at_hand) : p(at_hand) {}
  ProgramAtHand& p;
  remote::RequestQueue requests{p.surface};
  Lines sent;
  remote::OscEndpoint endpoint{
      p.surface, requests, [this](const remote::OscPeer& to, const std::string& packet) {
        std::string path;
        std::vector<OscArg> args;
        ASSERT_EQ(remote::DecodeOsc(packet, path, args), remote::Decoded::kMessage);
        std::string line =
            std::to_string(ntohs(reinterpret_cast<const sockaddr_in&>(to.addr).sin_port));
        // Appended piece by piece: GCC 12 takes " " + string for an overlapping copy.
        line += ' ';
        line += path;
        for (const OscArg& a : args) {
          char text[32];
          if (a.type == 'f') std::snprintf(text, sizeof text, "%.1f", a.number);
          line += ' ';
          line += a.type == 's'   ? a.text
                  : a.type == 'f' ? std::string(text)
                                  : std::to_string(static_cast<int>(a.number));
        }
        sent.push_back(line);
      }};
  void Send(const std::string& path, const std::vector<OscArg>& args) {
    endpoint.Receive(remote::EncodeOsc(path, args), Local(5000));
  }
  Lines Take() { return std::exchange(sent, {}); }
};

TEST(Osc, ValuesGoInAndComeBackTypedAndWhatCannotBeDoneIsAnswered) {
  const std::string in1 = "/card/1/inputs/1/fader", mute = "/card/1/outputs/2/mute";
  struct Case {
    std::string path;
    std::vector<OscArg> args;
    Lines answers;  // "!why": "/error PATH why" to the sender at 5000
  } cases[] = {
      {in1, {F(16)}, {}},
      {in1, {}, {"5000 /card/1/inputs/1/fader 16.0"}},
      {"/card/1/inputs/3/source", {S("cd")}, {}},
      {"/get", {S("/card/1/inputs/4/source"), I(9000)}, {"9000 /card/1/inputs/4/source CD"}},
      {mute, {S("on")}, {}},
      {mute, {}, {"5000 /card/1/outputs/2/mute 1"}},
      {mute, {I(0)}, {}},
      {mute, {}, {"5000 /card/1/outputs/2/mute 0"}},
      {"/card/1/outputs/8/fader", {S("-inf")}, {}},
      {"/get", {S("/card/1/outputs/8/fader")}, {"5000 /card/1/outputs/8/fader -inf"}},
      {"/card/3/inputs/1/fader", {F(1)}, {"!no card 3: the system has 2"}},
      {in1, {F(30)}, {"!30.0 dB is beyond the fader's scale (0.0 to 22.5 dB)"}},
      {in1, {F(1), F(2)}, {"!a control takes one value"}},
      {"/nothing", {}, {"!an address starts with /card or /window"}},
      {"/get", {I(3)}, {"!/get takes an address"}},
      {"/get", {F(3), S("/x")}, {"!the arguments are names (,s) and a port (,i) last"}},
      {"/show", {S("outputs")}, {}},
      {"/window/outputs/open", {}, {"5000 /window/outputs/open 1"}},
      // Presets are listed to the port named, one message each, then the count.
      {"/preset/save", {S("Live")}, {}},
      {"/preset/save", {S("outputs"), S("Quiet")}, {}},
      {"/preset/list",
       {S("outputs"), I(9002)},
       {"9002 /preset outputs Live", "9002 /preset outputs Quiet",
        "9002 /preset/list/done outputs 2"}},
      {"/preset/erase", {S("Live")}, {}},
      {"/preset/load", {S("Live")}, {"!no preset \"Live\" for all windows"}}};
  WithProgram(2, [&](ProgramAtHand& p) {
    Osc osc(p);
    for (Case& c : cases) {
      if (!c.answers.empty() && c.answers[0][0] == '!')
        c.answers = {
            std::string("5000 /error ").append(c.path).append(" ").append(c.answers[0].substr(1))};
      osc.Send(c.path, c.args);
      EXPECT_EQ(osc.Take(), c.answers) << c.path;
    }
  });
}

TEST(Osc, WhatIsNoOscIsDroppedAndABundleIsCarriedOutInOrder) {
  WithProgram(1, [&](ProgramAtHand& p) {
    Osc osc(p);
    const std::string set = remote::EncodeOsc("/card/1/outputs/1/mute", {I(1)});
    auto element = [](const std::string& m) {
      const std::uint32_t n = htonl(static_cast<std::uint32_t>(m.size()));
      return std::string(reinterpret_cast<const char*>(&n), 4) + m;
    };
    const std::string head = std::string("#bundle\0", 8) + std::string(8, '\0');
    for (const std::string& bad :
         {std::string("garbage"), std::string(), set.substr(0, set.size() - 3),
          head + std::string("\0\0\1\0", 4) + set, std::string("#bundle\0", 8),
          head + element(head + element(head + element(head + element(head + element(set)))))}) {
      osc.endpoint.Receive(bad, Local(5000));
      EXPECT_TRUE(osc.Take().empty());
    }
    EXPECT_EQ(p.surface.Get("/card/1/outputs/1/mute").text, "off");
    osc.endpoint.Receive(
        head + element(set) + element(remote::EncodeOsc("/card/1/outputs/1/mute", {})),
        Local(5000));
    EXPECT_EQ(osc.Take(), Lines{"5000 /card/1/outputs/1/mute 1"});
  });
}

TEST(Osc, SubscribersHearChangesAndMetersAtTheirPort) {
  WithProgram(1, [&](ProgramAtHand& p) {
    Osc osc(p);
    osc.Send("/show", {S("outputs")});
    osc.Send("/subscribe", {S("/card/1/outputs/1/"), I(9001)});
    EXPECT_EQ(osc.Take(),
              (Lines{"9001 /card/1/outputs/1/fader -29.8", "9001 /card/1/outputs/1/mute 0",
                     "9001 /card/1/outputs/1/meter -inf"}));
    ui::user::Click(dynamic_cast<ui::TControl*>(
        p.program.state.MixControlWnd->Slot(shell::MixerSlot::AnalogOutputs)
            ->FindComponent("btnMuteOut1")));
    p.surface.Poll();
    EXPECT_EQ(osc.Take(), Lines{"9001 /card/1/outputs/1/mute 1"});
    osc.Send("/unsubscribe", {I(9001)});
    osc.Send("/card/1/outputs/1/mute", {I(0)});
    p.surface.Poll();
    EXPECT_TRUE(osc.Take().empty());
    for (int port = 9100; port < 9100 + 17; ++port)
      osc.Send("/subscribe", {S("/window/x"), I(port)});
    EXPECT_EQ(osc.Take(), Lines{"5000 /error /subscribe too many subscribers (at most 16)"});
    EXPECT_EQ(osc.endpoint.Subscribers(), 16u);
  });
}

}  // namespace
#endif  // MORVA_HAVE_LIBLO
