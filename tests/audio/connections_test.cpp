// What the cards remember of their connections, look by look, against a made-up
// graph: made when their ports come, kept while a port is away, forgotten only when
// the user takes them apart, nothing made that was not there; the stored text read back.
#include "audio/connections.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace audio {
namespace {

struct FakeGraph : PortGraph {
  bool Exists(const std::string& port) override { return ports.count(port) != 0; }
  bool Connected(const Connection& c) override { return links.count(c) != 0; }
  bool Connect(const Connection& c) override {
    asked.push_back(c.source + ">" + c.destination);
    if (!refuse && !late) links.insert(c);
    return !refuse;
  }
  std::vector<Connection> Current() override { return {links.begin(), links.end()}; }

  std::set<std::string> ports{"Morva 1:Record 1", "Morva 1:Playback 1", "rec:in", "play:out"};
  std::set<Connection> links;
  std::vector<std::string> asked;
  bool refuse = false, late = false;  // late: a link asked for shows only when the test adds it
};

const Connection kRecord{"Morva 1:Record 1", "rec:in"};
const Connection kPlay{"play:out", "Morva 1:Playback 1"};
using Connections = std::vector<Connection>;

TEST(ConnectionMemory, WhatWasConnectedIsMadeAgainWhenItsPortsAreThere) {
  ConnectionMemory memory;
  FakeGraph first;
  first.links = {kRecord, kPlay};
  EXPECT_TRUE(memory.Reconcile(first));  // learnt
  EXPECT_FALSE(memory.Reconcile(first));
  // A new start, from what was stored: one player is not there yet.
  memory = ConnectionMemory::Parse(memory.Text());
  FakeGraph again;
  again.ports.erase("play:out");
  EXPECT_FALSE(memory.Reconcile(again));
  EXPECT_EQ(again.asked, std::vector<std::string>{"Morva 1:Record 1>rec:in"});
  EXPECT_EQ(memory.Remembered(), (Connections{kRecord, kPlay}));
  // It comes: made at the next look, once.
  again.ports.insert("play:out");
  for (int look = 0; look < 2; ++look) memory.Reconcile(again);
  EXPECT_EQ(again.asked,
            (std::vector<std::string>{"Morva 1:Record 1>rec:in", "play:out>Morva 1:Playback 1"}));
  // It goes again (the player quits): kept.
  again.ports.erase("play:out");
  again.links.erase(kPlay);
  EXPECT_FALSE(memory.Reconcile(again));
  EXPECT_EQ(memory.Remembered().size(), 2u);
}

TEST(ConnectionMemory, OnlyWhatTheUserTookApartIsForgotten) {
  ConnectionMemory memory;
  FakeGraph graph;
  graph.links = {kRecord, kPlay};
  memory.Reconcile(graph);
  graph.links.erase(kPlay);  // the user disconnects, both ports stay
  EXPECT_TRUE(memory.Reconcile(graph));
  EXPECT_EQ(memory.Remembered(), Connections{kRecord});
  EXPECT_TRUE(graph.asked.empty());  // nothing made that was not there

  // A link the server shows only a while after it was asked for, or one
  // it refused, is asked for again, never taken for the user's undoing.
  for (bool refuse : {false, true}) {
    SCOPED_TRACE(refuse ? "refused" : "late");
    ConnectionMemory restored = ConnectionMemory::Parse(memory.Text());
    FakeGraph slow;
    (refuse ? slow.refuse : slow.late) = true;
    restored.Reconcile(slow);
    EXPECT_FALSE(restored.Reconcile(slow));
    EXPECT_EQ(slow.asked.size(), 2u);
    slow.links.insert(kRecord);  // shows at last
    EXPECT_FALSE(restored.Reconcile(slow));
    EXPECT_EQ(restored.Remembered(), Connections{kRecord});
  }
}

TEST(ConnectionMemory, TheStoredTextKeepsAnyNameAndPassesOverWhatItCannotRead) {
  ConnectionMemory memory;
  FakeGraph graph;
  const Connection odd{"odd\tname\\with\nbreaks:out", "Morva 1:Line In 1"};
  graph.ports.insert(odd.source);
  graph.links = {odd, kPlay};
  memory.Reconcile(graph);
  const std::string text = memory.Text() + "no tab here\n\tleft empty\na\tb\tc\n# a remark\n";
  EXPECT_EQ(ConnectionMemory::Parse(text).Remembered(), (Connections{odd, kPlay}));
  EXPECT_TRUE(ConnectionMemory::Parse("").Remembered().empty());
}

}  // namespace
}  // namespace audio
