#pragma once
#include <string>

#include "device/AppConfig.h"
#include "device/DeviceLink.h"
#include "model/DataSet.h"

// What one run of the desktop program works on: the configuration (which
// also keeps the current category and the device limits), the two data
// sets the panes show and the link to the printer. main() owns it through
// the application object and hands it down by reference; nothing below the
// application reaches for it any other way, and changes travel back up as
// signals.
class CSession {
 public:
  explicit CSession(CAppConfig& config) : m_config(config), m_link(config) {}
  CSession(const CSession&) = delete;
  CSession& operator=(const CSession&) = delete;

  CAppConfig& Config() { return m_config; }
  const CAppConfig& Config() const { return m_config; }

  int Category() const { return m_config.Category(); }
  void SetCategory(int category) { m_config.SetCategory(category); }
  // Slots of `category` the printer takes (lowered after a full memory).
  int DeviceLimit(int category) const { return m_config.DeviceLimit(category); }
  // The name a pane in device mode shows.
  const std::string& DeviceName() const { return m_config.PrinterName(); }

  CDataSet& Left() { return m_left; }
  CDataSet& Right() { return m_right; }
  CDeviceLink& Link() { return m_link; }

 private:
  CAppConfig& m_config;
  CDataSet m_left;   // always a PC data file
  CDataSet m_right;  // a PC data file or the printer's memory
  CDeviceLink m_link;
};
