#pragma once

// The few operating-system services the wave-shape loader needs, behind one
// small interface so the loader itself never includes an OS header.
//
// Each platform layer (win32, posix) implements `systemPlatformServices()`;
// exactly one of them is linked into a binary. Tests install a fake with
// `ScopedPlatformServices` (platform/fake) or `setPlatformServicesOverride`.

#include <atomic>
#include <optional>
#include <string>

// Which buttons a message offers. The loader ignores the user's choice.
enum class MessageButtons { ok, okCancel };

class PlatformServices {
public:
  virtual ~PlatformServices() = default;

  // The folder the plug-in binary itself was loaded from (the DLL's or the
  // .so's own folder), where a package unpacked into any folder the host
  // scans puts the plug-in's folder. Empty when the system cannot tell, or,
  // on Windows, when the binary's path does not fit the loader's 260-byte
  // path buffer (a path cut short would name some other folder). Any thread.
  virtual std::optional<std::string> moduleFolder() = 0;

  // The host's VST plug-in folder as the system records it (on Windows the
  // registry value "VSTPluginsPath" under HKEY_LOCAL_MACHINE\Software\VST).
  // Empty when the key or the value is missing or cannot be read, and on
  // systems that record no such folder. Any thread.
  virtual std::optional<std::string> pluginsPath() = 0;

  // True only when `path` plainly does not exist. Outcomes that leave it
  // unclear (access denied, a missing parent on Windows) count as present,
  // so the loader goes on and reports the list file instead.
  virtual bool folderIsMissing(const std::string& path) = 0;

  // Tells the user about a loading failure and waits until it is seen.
  // `caption` null means the system's default title; "" is an empty title.
  virtual void showMessage(const char* text, const char* caption, MessageButtons buttons) = 0;

  // The byte that separates path components ('\\' on Windows, '/' elsewhere).
  virtual char pathSeparator() const = 0;

  // The fixed folder tried when the plug-in folder is neither beside the
  // binary nor where the host's plug-in folder says ("c:\\Brasklin" on Windows).
  virtual const char* fallbackFolder() const = 0;
};

// The services of the linked platform layer; implemented by that layer.
PlatformServices& systemPlatformServices();

namespace platform_detail {
inline std::atomic<PlatformServices*>& overrideSlot()
{
  static std::atomic<PlatformServices*> slot{nullptr};
  return slot;
}
}  // namespace platform_detail

// Replaces the process's services (tests only); null restores the system's.
// Returns the override that was installed before.
inline PlatformServices* setPlatformServicesOverride(PlatformServices* services)
{
  return platform_detail::overrideSlot().exchange(services, std::memory_order_relaxed);
}

// The services the effect uses: a test's override if one is installed,
// otherwise the linked platform layer's.
inline PlatformServices& platformServices()
{
  PlatformServices* const installed = platform_detail::overrideSlot().load(std::memory_order_relaxed);
  return installed != nullptr ? *installed : systemPlatformServices();
}
