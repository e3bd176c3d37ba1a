#pragma once
// The driver's status codes: their texts, captions and icons, the builders
// that put a card number or device in front of a text, and the rules by
// which a "getstates" answer becomes a series of message boxes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "driver/bridge.h"
#include "ui/wintypes.h"

namespace driver {

enum class StatusBuilder { None, CardInit, DeviceOpen, DeviceFormat };

struct StatusRow {
  std::int32_t code;
  StatusBuilder builder;
  const char* caption;
  UINT flags;
  const char* text;
};

// The row of a code: nullptr for the codes that are never shown (1, 0,
// -50), the default row ("Undefined ErrId") for codes without a row.
const StatusRow* FindStatusRow(std::int32_t code);

// A device a status may concern: its driver name and two sample rates.
struct StatusDevice {
  std::string name;
  std::int32_t requested_rate = 0;
  std::int32_t clock_rate = 0;
};

std::string StatusCardInitText(std::uint32_t context, std::string_view text);
std::string StatusDeviceOpenText(std::string_view text, const StatusDevice* device = nullptr);
// With a device the text is a format: %s the name, the two %d the rates.
std::string StatusDeviceFormatText(std::string_view text, const StatusDevice* device = nullptr);

struct StatusMessage {
  std::string text;
  std::string caption;
  UINT flags = 0;
};

// The box a code shows for a context (0 the driver, 1 to 4 a card); none
// for the codes that are never shown. Cards never carry a device.
std::optional<StatusMessage> DriverStatusMessage(std::uint32_t context, std::int32_t code);

// Shows the code's box (MessageBoxA, no owner); false when nothing is shown.
bool ShowDriverStatus(std::uint32_t context, std::int32_t code);
// Shows the per-card codes up to the first 0.
void ShowCardStates(const DriverStates& states);
// Shows every problem of a "getstates" answer.
void CheckDriverStates(const DriverStates& states);

}  // namespace driver
