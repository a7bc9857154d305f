#pragma once

// Platform services for tests: answers the registry and folder questions as
// the test sets them up and records every message instead of showing it.

#include "platform/PlatformServices.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class FakePlatformServices final : public PlatformServices {
public:
  struct Message {
    std::string text;
    std::optional<std::string> caption;  // empty when the system's default title was asked for
    MessageButtons buttons;
  };

  // The folder the plug-in binary was loaded from; empty means unknown.
  std::optional<std::string> binaryFolder;
  // What the registry holds; empty means the key or value is missing.
  std::optional<std::string> registryPath;
  // Decides whether a folder is missing; by default, whether it does not exist on disk.
  std::function<bool(const std::string&)> isMissing;
  std::string fallback = "/nonexistent-brasklin-fallback";
  char separator = '/';

  // Everything the code under test asked or said, in order.
  std::vector<Message> messages;
  std::vector<std::string> folderQueries;

  std::optional<std::string> moduleFolder() override { return binaryFolder; }
  std::optional<std::string> pluginsPath() override { return registryPath; }
  bool folderIsMissing(const std::string& path) override;
  void showMessage(const char* text, const char* caption, MessageButtons buttons) override;
  char pathSeparator() const override { return separator; }
  const char* fallbackFolder() const override { return fallback.c_str(); }

  // The texts of the recorded messages.
  std::vector<std::string> messageTexts() const;
};

// Installs `services` as the process's services for the guard's lifetime.
class ScopedPlatformServices {
public:
  explicit ScopedPlatformServices(PlatformServices& services) : previous_(setPlatformServicesOverride(&services)) {}
  ~ScopedPlatformServices() { setPlatformServicesOverride(previous_); }
  ScopedPlatformServices(const ScopedPlatformServices&) = delete;
  ScopedPlatformServices& operator=(const ScopedPlatformServices&) = delete;

private:
  PlatformServices* previous_;
};
