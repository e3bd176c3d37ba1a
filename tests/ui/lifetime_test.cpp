// Weak references and forms that live for one modal run.
#include <gtest/gtest.h>

#include <memory>

#include "ui/application.h"
#include "ui/extctrls.h"
#include "ui/form.h"
#include "ui/headless.h"
#include "ui/safeptr.h"
#include "ui/stdctrls.h"

namespace ui {
namespace {

struct Lifetime : ::testing::Test {
  HeadlessWidgetset ws;
  TApplication app{ws};
  TForm* main_form = Create<TForm>(&app);
  bool Listed(const TForm* f) const {
    for (TForm* g : app.Forms())
      if (g == f) return true;
    return false;
  }
};

TEST_F(Lifetime, SafePointerReadsNullFromTheFree) {
  auto* form = Create<TForm>(&app);
  auto* panel = Create<TPanel>(form);
  TSafePtr<TPanel> p = panel;
  TSafePtr<TPanel> copy = p;
  TSafePtr<TComponent> other;
  other = panel;
  EXPECT_EQ(p.get(), panel);
  EXPECT_EQ(copy->Owner(), form);
  // Freed with its owner: every reference reads null, none dangles.
  form->Free();
  EXPECT_EQ(p.get(), nullptr);
  EXPECT_EQ(copy.get(), nullptr);
  EXPECT_EQ(other.get(), nullptr);
  // References outliving a component, and assigned again, stay sound.
  auto* label = Create<TLabel>(main_form);
  p = nullptr;
  other = label;
  other = main_form;
  label->Free();
  EXPECT_EQ(other.get(), main_form);
}

// A peer goes while its control lives when the control leaves its parent:
// a reference to the control cannot tell, one to the peer can.
TEST(PeerLifetime, SafePointerReadsNullOnceThePeerIsGone) {
  struct NullPeer : Peer {
    void Changed(Change) override {}
  };
  struct PeerWidgetset : HeadlessWidgetset {
    std::unique_ptr<Peer> CreatePeer(TControl&) override { return std::make_unique<NullPeer>(); }
  } ws;
  TApplication app{ws};
  auto* form = Create<TForm>(&app);
  auto* panel = Create<TPanel>(form);
  panel->SetParent(form);
  form->Show();
  TSafePtr<Peer> peer = panel->peer();
  ASSERT_NE(peer.get(), nullptr);
  panel->SetParent(nullptr);
  EXPECT_EQ(peer.get(), nullptr);
  panel->SetParent(form);
  peer = panel->peer();
  form->Free();
  EXPECT_EQ(peer.get(), nullptr);
}

// A free put off by a modal loop: the reference reads null at once, and a
// reference made meanwhile never sees the doomed component either.
TEST_F(Lifetime, SafePointerReadsNullWhileTheFreeIsPutOff) {
  auto* dialog = Create<TForm>(&app);
  auto* doomed = Create<TForm>(&app);
  TSafePtr<TForm> p = doomed;
  ws.Script([&] {
    doomed->Free();
    EXPECT_EQ(p.get(), nullptr);
    EXPECT_TRUE(Listed(doomed));  // still there until the loops return
    TSafePtr<TForm> late = doomed;
    EXPECT_EQ(late.get(), nullptr);
    dialog->SetModalResult(mrOk);
  });
  dialog->ShowModal();
  ws.Script([] {});
  app.HandleMessage();  // the main loop's next step frees it
  EXPECT_FALSE(Listed(doomed));
  dialog->Free();
}

// A form that lives for its modal run is gone as the run returns, also when
// the run is nested in another form's modal loop; the form beneath runs on.
TEST_F(Lifetime, ModalRunFormIsFreedWhenItsRunEndsAtAnyDepth) {
  auto* outer = Create<TForm>(&app);
  TSafePtr<TForm> inner_ref;
  bool outer_still_modal = false;
  ws.Script([&] {
    std::unique_ptr<TForm, ModalRunDeleter> inner(Create<TForm>(outer));
    inner_ref = inner.get();
    ws.Script([&] { inner->SetModalResult(mrOk); });
    EXPECT_EQ(inner->ShowModal(), mrOk);
    inner.reset();
    EXPECT_EQ(inner_ref.get(), nullptr);
    outer_still_modal = outer->Modal();
    outer->SetModalResult(mrOk);
  });
  EXPECT_EQ(outer->ShowModal(), mrOk);
  EXPECT_TRUE(outer_still_modal);
  EXPECT_EQ(outer->ComponentCount(), 0);
  // Freed while its own loop still runs, it waits as any other form.
  auto* running = Create<TForm>(&app);
  TSafePtr<TForm> running_ref = running;
  ws.Script([&] {
    running->FreeAfterModalRun();
    EXPECT_EQ(running_ref.get(), nullptr);
  });
  EXPECT_EQ(running->ShowModal(), mrCancel);
  EXPECT_TRUE(Listed(running));
  ws.Script([] {});
  app.HandleMessage();
  EXPECT_FALSE(Listed(running));
}

}  // namespace
}  // namespace ui
