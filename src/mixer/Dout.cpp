#include "mixer/Dout.h"

#include "driver/messages.h"

namespace mixer {

namespace {
constexpr MeterMessages kOutputMeterMessages = {
    driver::MSG_START_OUT_METER, driver::MSG_STOP_OUT_METER, driver::MSG_GET_OUT_LEVEL};
}  // namespace

TfrmDigOut::TfrmDigOut(ui::TComponent* owner, shell::AppState& app)
    : TDigitalMeterForm(owner, app, driver::Direction::Playback, kOutputMeterMessages,
                        "S/PDIF OUT") {}

}  // namespace mixer
