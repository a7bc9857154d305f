// The services the wave-shape loader gets inside a plug-in bundle (an LV2
// bundle, a VST 3 bundle's resources folder): the plug-in's folder is the
// "Brasklin" folder of the folder the format names (no registry, no fixed
// fallback elsewhere: a missing folder is reported as missing rather than
// filled from some other installation), and a
// loading failure goes to the host's log as one error line, or to stderr when
// the host offers no log. File-system questions go to the system's services.
//
// Threads: used while the plug-in is instantiated, on the host's
// instantiation thread; never from the audio routine.
#pragma once

#include <optional>
#include <string>

#include "platform/PlatformServices.h"

// Where a loading failure goes: the host's log, if it offered one.
class LoadFailureLog {
public:
  virtual void error(const std::string& line) = 0;

protected:
  ~LoadFailureLog() = default;
};

class BundleServices final : public PlatformServices {
public:
  // `bundlePath` as the host gives it (with or without a trailing '/');
  // `system` answers the file-system questions; both must outlive this.
  BundleServices(std::string bundlePath, PlatformServices& system, LoadFailureLog& log);

  std::optional<std::string> moduleFolder() override { return bundle; }
  std::optional<std::string> pluginsPath() override { return std::nullopt; }
  bool folderIsMissing(const std::string& path) override { return system.folderIsMissing(path); }
  // One line: "Brasklin: <text>"; the folder message names the bundle
  // instead of a VST folder.
  void showMessage(const char* text, const char* caption, MessageButtons buttons) override;
  char pathSeparator() const override { return system.pathSeparator(); }
  const char* fallbackFolder() const override { return shapeFolder.c_str(); }

private:
  std::string bundle;       // without trailing separators
  std::string shapeFolder;  // the bundle's Brasklin folder
  PlatformServices& system;
  LoadFailureLog& log;
};
