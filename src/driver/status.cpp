#include "driver/status.h"

#include "platform/winuser.h"

namespace driver {
namespace {

using B = StatusBuilder;
constexpr const char* kFehler = "Morva Fehler";
constexpr const char* kInit = "Morva Initialisierungsfehler";
constexpr const char* kWarnung = "Morva Warnung";

// clang-format off
constexpr StatusRow kRows[] = {
  {-1, B::None, kFehler, 0x10, "Der Morva Treiber konnte nicht initialisiert werden. \r\nNicht genügend Speicher verfügbar.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-2, B::CardInit, kFehler, 0x10, "Fehler beim Lesen der Datei RBT Datei."},
  {-3, B::CardInit, kFehler, 0x10, "Die passende .RBT Datei konnte nicht im Systemverzeichnis von Windows gefunden werden.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-4, B::CardInit, kFehler, 0x10, "Der Morva Treiber konnte nicht initialisiert werden. \r\nFehlende Timerresourcen im Windows System.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-5, B::DeviceOpen, kFehler, 0x10, "Das Aktivieren dieses Gerätes macht eine Reinitialisierung der Hardware notwendig.\r\nDies ist derzeit nicht möglich, da andere Geräte der Karte arbeiten."},
  {-6, B::None, kFehler, 0x10, "Die Einstellungen des Morva Treibers können derzeit nicht geändert werden.\r\nBeenden Sie erst alle Anwendungen, welche die Morva verwenden."},
  {-7, B::None, kFehler, 0x10, "Der Morva Treiber konnte nicht initialisiert werden. \r\nFehler beim Lesen der Systemregistrierung.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-8, B::None, kFehler, 0x10, "Der Morva Treiber konnte nicht initialisiert werden. \r\nSorry, interner Zeigerfehler.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-17, B::None, kInit, 0x10, "Der Morva Treiber konnte nicht initialisiert werden. \r\nDas Modul Morva.VXD wurde nicht geladen.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-18, B::None, kInit, 0x10, "Der Morva Treiber konnte nicht initialisiert werden. \r\nKernel Driver Device konnte nicht geöffnet werden.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-19, B::None, kInit, 0x10, "Der Morva Treiber konnte nicht initialisiert werden. \r\nKernel Audio Devices konnten nicht geöffnet werden.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-20, B::None, kInit, 0x10, "Fehler beim Erzeugen eines Kernel Ereignisobjects.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-21, B::CardInit, kInit, 0x10, "Die Playcounter der Morva ließen sich nicht zurücksetzen. \r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-22, B::CardInit, kInit, 0x10, "Die Playcounter der Morva laufen nicht. \r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-23, B::CardInit, kInit, 0x10, "Die Recordcounter der Morva ließen sich nicht zurücksetzen. \r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-24, B::CardInit, kInit, 0x10, "Die Recordcounter der Morva laufen nicht. \r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-25, B::CardInit, kInit, 0x10, "IRQ konnte nicht belegt werden.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-26, B::CardInit, kInit, 0x10, "Der Interrupt Request der Hardware bleibt unerkannt.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-27, B::None, kInit, 0x10, "Der Morva Treiber konnte nicht initialisiert werden. \r\nFalsche Version des Moduls Morva.VXD\r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-28, B::CardInit, kInit, 0x10, "DirectSound Modul konnte nicht initialisiert werden.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-29, B::CardInit, kInit, 0x10, "Midi Modul konnte nicht initialisiert werden.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-30, B::CardInit, kInit, 0x10, "Fpga konnte nicht initialisiert werden.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-31, B::CardInit, kInit, 0x10, "Kartenspeicher fehlerhaft.\r\nKeine Audiofunktionen auf diesem Gerät verfügbar."},
  {-49, B::DeviceOpen, kFehler, 0x10, "Fehler bei I/O Operation mit Kernel."},
  {-51, B::DeviceFormat, kFehler, 0x10, "Die analogen Aufnahme- und Wiedergabekanäle können nur mit der selben Samplerate arbeiten."},
  {-52, B::DeviceFormat, kWarnung, 0x40, "Die für das Gerät \"%s\" geforderte Samplerate von %d Hz stimmt nicht mit der des angeschlossenen und Clock Generators (%d Hz) überein."},
  {-53, B::DeviceFormat, kWarnung, 0x40, "Die für das Gerät \"%s\" geforderte Samplerate von %d Hz kann nicht bereitgestellt werden.\r\nDie Morva Hardware konnte sich nicht auf den externen Clock einstellen (No Lock)."},
  {-54, B::DeviceFormat, kWarnung, 0x40, "Die für das Gerät \"%s\" geforderte Samplerate von %d Hz kann nicht bereitgestellt werden.\r\nDer externe Clock entspricht einer Samplerate von %d Hz."},
  {-55, B::DeviceOpen, kFehler, 0x10, "Gleichzeitige Aufnahme und Wiedergabe nicht möglich."},
  {-56, B::DeviceOpen, kFehler, 0x10, "Fehler beim Erzeugen eines Threads."},
  {-57, B::DeviceOpen, kInit, 0x10, "Fehler beim Erzeugen eines Kernel Ereignisobjects."},
  {-58, B::DeviceOpen, kInit, 0x10, "Fehler beim Öffnen eines Kernel Ereignisobjekts."},
  {-59, B::DeviceOpen, kInit, 0x10, "Fehler beim Warten auf Ereignisobjekt."},
  {-60, B::DeviceOpen, kFehler, 0x10, "Adat-Monitoring ist aktiv."},
  {-61, B::DeviceFormat, kFehler, 0x10, "Sorry, Interner Fehler: Diese Fehlermeldung (NoRwP) dürfte nie erscheinen."},
};
// clang-format on

constexpr StatusRow kDefaultRow = {0, B::None, "Internal Error", 0x10, "Undefined ErrId"};

}  // namespace

const StatusRow* FindStatusRow(std::int32_t code) {
  if (code == 1 || code == 0 || code == -50) return nullptr;
  for (const StatusRow& row : kRows) {
    if (row.code == code) return &row;
  }
  return &kDefaultRow;
}

std::string StatusCardInitText(std::uint32_t context, std::string_view text) {
  return "Die Hardware der Morva Karte #" + std::to_string(context) +
         " konnte nicht initialisiert werden. \r\n" + std::string(text);
}

std::string StatusDeviceOpenText(std::string_view text, const StatusDevice* device) {
  std::string out = "Das Gerät ";
  if (device != nullptr) out += "\"" + device->name + "\"";
  out += " konnte nicht geöffnet werden. \r\n";
  out += text;
  out += "\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.";
  return out;
}

std::string StatusDeviceFormatText(std::string_view text, const StatusDevice* device) {
  if (device == nullptr) return std::string(text);
  // Only %s, %d and %% are expanded; the name is inserted as it is, so a
  // device name can never act as a format itself.
  std::string out;
  int next_number = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char kind = text[++i];
    if (kind == 's') {
      out += device->name;
    } else if (kind == 'd') {
      out += std::to_string(next_number++ == 0 ? device->requested_rate : device->clock_rate);
    } else if (kind == '%') {
      out += '%';
    } else {
      out += '%';
      out += kind;
    }
  }
  return out;
}

std::optional<StatusMessage> DriverStatusMessage(std::uint32_t context, std::int32_t code) {
  const StatusRow* row = FindStatusRow(code);
  if (row == nullptr) return std::nullopt;
  StatusMessage m;
  m.caption = row->caption;
  m.flags = row->flags;
  switch (row->builder) {
    case B::None:
      m.text = row->text;
      break;
    case B::CardInit:
      m.text = StatusCardInitText(context, row->text);
      break;
    case B::DeviceOpen:
      m.text = StatusDeviceOpenText(row->text);
      break;
    case B::DeviceFormat:
      m.text = StatusDeviceFormatText(row->text);
      break;
  }
  return m;
}

bool ShowDriverStatus(std::uint32_t context, std::int32_t code) {
  const auto m = DriverStatusMessage(context, code);
  if (!m) return false;
  MessageBoxA(nullptr, m->text.c_str(), m->caption.c_str(), m->flags);
  return true;
}

void ShowCardStates(const DriverStates& states) {
  for (int i = 0; i < 4; ++i) {
    if (states.CardStatus[i] == 0) return;
    ShowDriverStatus(static_cast<std::uint32_t>(i + 1), states.CardStatus[i]);
  }
}

void CheckDriverStates(const DriverStates& states) {
  const std::int32_t s = states.Status;
  if (s == -27) {
    ShowDriverStatus(0, -27);
    return;
  }
  if (s == -17) return;  // the kernel module is not loaded: nothing to tell per card
  if (s != 1 && s != states.CardStatus[0]) ShowDriverStatus(0, s);
  ShowCardStates(states);
}

}  // namespace driver
