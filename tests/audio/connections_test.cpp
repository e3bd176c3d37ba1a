// What the cards remember of their connections, look by look, against a
// graph the test makes up: made when their ports come, kept while a port
// is away, forgotten only when the user takes them apart, never anything
// made that was not connected before; and the stored text read back.
#include "audio/connections.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace audio {
namespace {

class FakeGraph : public PortGraph {
 public:
  bool Exists(const std::string& port) override { return ports.count(port) != 0; }
  bool Connected(const Connection& c) override { return links.count(c) != 0; }
  bool Connect(const Connection& c) override {
    asked.push_back(c.source + ">" + c.destination);
    if (refuse) return false;
    if (!late) links.insert(c);
    return true;
  }
  std::vector<Connection> Current() override { return {links.begin(), links.end()}; }

  std::set<std::string> ports{"Morva 1:Record 1", "Morva 1:Playback 1", "rec:in", "play:out"};
  std::set<Connection> links;
  std::vector<std::string> asked;
  bool refuse = false;
  bool late = false;  // a link asked for shows only when the test adds it
};

const Connection kRecord{"Morva 1:Record 1", "rec:in"};
const Connection kPlay{"play:out", "Morva 1:Playback 1"};

std::vector<Connection> Remembered(const ConnectionMemory& m) {
  return m.Remembered();
}

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
  EXPECT_EQ(Remembered(memory), (std::vector<Connection>{kRecord, kPlay}));
  // It comes: made at the next look, once.
  again.ports.insert("play:out");
  memory.Reconcile(again);
  memory.Reconcile(again);
  EXPECT_EQ(again.asked,
            (std::vector<std::string>{"Morva 1:Record 1>rec:in", "play:out>Morva 1:Playback 1"}));
  // It goes again (the player quits): kept.
  again.ports.erase("play:out");
  again.links.erase(kPlay);
  EXPECT_FALSE(memory.Reconcile(again));
  EXPECT_EQ(Remembered(memory).size(), 2u);
}

TEST(ConnectionMemory, OnlyWhatTheUserTookApartIsForgotten) {
  ConnectionMemory memory;
  FakeGraph graph;
  graph.links = {kRecord, kPlay};
  memory.Reconcile(graph);
  graph.links.erase(kPlay);  // the user disconnects, both ports stay
  EXPECT_TRUE(memory.Reconcile(graph));
  EXPECT_EQ(Remembered(memory), std::vector<Connection>{kRecord});
  EXPECT_TRUE(graph.asked.empty());  // nothing made that was not there

  // A link the server shows only a while after it was asked for, or one
  // it refused, is asked for again, never taken for the user's undoing.
  ConnectionMemory restored = ConnectionMemory::Parse(memory.Text());
  FakeGraph slow;
  slow.late = true;
  restored.Reconcile(slow);
  EXPECT_FALSE(restored.Reconcile(slow));
  EXPECT_EQ(slow.asked.size(), 2u);
  slow.links.insert(kRecord);
  EXPECT_FALSE(restored.Reconcile(slow));
  FakeGraph refusing;
  refusing.refuse = true;
  ConnectionMemory refused = ConnectionMemory::Parse(memory.Text());
  refused.Reconcile(refusing);
  refused.Reconcile(refusing);
  EXPECT_EQ(refusing.asked.size(), 2u);
  EXPECT_EQ(Remembered(refused), std::vector<Connection>{kRecord});
}

TEST(ConnectionMemory, TheStoredTextKeepsAnyNameAndPassesOverWhatItCannotRead) {
  ConnectionMemory memory;
  FakeGraph graph;
  const Connection odd{"odd\tname\\with\nbreaks:out", "Morva 1:Line In 1"};
  graph.ports.insert(odd.source);
  graph.links = {odd, kPlay};
  memory.Reconcile(graph);
  const std::string text = memory.Text() + "no tab here\n\tleft empty\na\tb\tc\n# a remark\n";
  EXPECT_EQ(Remembered(ConnectionMemory::Parse(text)), (std::vector<Connection>{odd, kPlay}));
  EXPECT_TRUE(Remembered(ConnectionMemory::Parse("")).empty());
}

}  // namespace
}  // namespace audio
