#pragma once

// Opening a serial device through QSerialPort, the same way for every program on the line.

#include <QIODevice>
#include <QSerialPort>
#include <string>

#include "serial/LineSettings.h"

namespace dimrix::serial {

// Whether QSerialPort has a form for these settings; checked before any device is
// touched, so a bad settings text never costs an open.
// Throws LinkError(errors::kSettingsRejected) for a setting QSerialPort cannot take.
void CheckLineSettings(const LineSettings& settings);

// Opens `device` on the closed `port` with `settings`, no flow control, in `mode`.
// QSerialPort keeps settings made while closed and applies them as it opens, so the
// device never runs a moment at another speed.
// Throws LinkError naming the device and the system's reason.
void OpenPort(QSerialPort& port, const std::string& device, const LineSettings& settings,
              QIODevice::OpenMode mode);

}  // namespace dimrix::serial
