// Any bytes as a window layout: the reader builds the form or fails with
// its "<file>:<line>: <why>" error; it never crashes or throws anything
// else.
#include <cstdint>
#include <string_view>

#include "controls/Class_b.h"
#include "controls/audioctl32.h"
#include "fuzz_check.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/headless.h"

namespace {

class TFuzzForm : public ui::TForm {
 public:
  explicit TFuzzForm(ui::TComponent* owner) : ui::TForm(owner) {
    Handler("FormCreate", &TFuzzForm::Nothing);
    Handler("Click", &TFuzzForm::Nothing);
  }
  const char* ClassName() const override { return "TFuzzForm"; }
  void Nothing(ui::TComponent*) {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 20000) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ui::HeadlessWidgetset ws;
  ui::TApplication app(ws);
  controls::RegisterControlClasses();
  controls::RegisterBilingualClasses();
  auto* form = ui::Create<TFuzzForm>(&app);
  try {
    form->InitializeFrom("fuzz.form", text);
  } catch (const ui::Exception& e) {
    FUZZ_CHECK(std::string_view(e.what()).starts_with("fuzz.form:"));
  }
  return 0;
}
