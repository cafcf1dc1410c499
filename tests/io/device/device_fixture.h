// Test environment of the port devices: a parameter service that names a
// port host per printer number, the port host stand-ins' configuration, and
// readers for the files they write.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "io/printer/device/device.h"
#include "support/test_files.h"

struct HostAnswer {
  std::string HostName;
  uint32_t Descriptor = 0;
};

class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The parameter service answers index -1 of `number` with this host.
  static void AnswerHost(uint8_t number, const std::string& hostName, uint32_t descriptor);
  static void ForgetHost(uint8_t number);
  // A host library of the stand-ins by base name ("porthost" -> "porthost.so").
  static std::string Host(const std::string& baseName);

  // The configuration file of the port host stand-ins (PORTHOST_CONFIG).
  void Configure(const std::string& text);
  std::string PortFile(int port) const;
  std::string HostLog() const { return dir_ + "calls.log"; }
  std::string ReadFile(const std::string& path) const;
  // Lines of the error log written during this test.
  std::string ErrorLog() const { return ReadFile(errorLog_); }
  int CountInErrorLog(const std::string& text) const;

  std::unique_ptr<TDevice> Create(uint8_t number);
  static bool HostLibraryLoaded(const std::string& baseName);
  // Polls `condition` for up to `ms` milliseconds.
  static bool WaitFor(const std::function<bool()>& condition, int ms = 5000);
  static void ClearLastError();

  std::string dir_;
  std::string errorLog_;
  std::unique_ptr<test_files::tEnvSetting> hostConfig_;
};
