// The loader's platform services on Windows: the DLL's own folder from its
// module handle, the host's VST folder from the registry, the folder test
// through CreateFileA, and message boxes.

#include "platform/PlatformServices.h"

#include "platform/win32/ModuleHandle.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>
#include <string>

namespace {

constexpr const char* kVstKey = "Software\\VST";
constexpr const char* kPluginsPathValue = "VSTPluginsPath";
// The registry value and the DLL's path are read into path buffers of this
// size, as the loader's paths are.
constexpr DWORD kPathBufferSize = 260;

class Win32PlatformServices final : public PlatformServices {
public:
  std::optional<std::string> moduleFolder() override
  {
    // The handle the DLL's entry point kept at load; a program that is no
    // plug-in has none, and a null handle names the program's own file.
    char buffer[kPathBufferSize] = {};
    const DWORD length = GetModuleFileNameA(static_cast<HMODULE>(moduleHandle), buffer, kPathBufferSize);
    // A path that fills the whole buffer was cut short (and older systems
    // leave it unterminated): its folder part cannot be trusted.
    if (length == 0 || length >= kPathBufferSize) return std::nullopt;
    const std::string binary(buffer, length);
    const std::size_t separator = binary.find_last_of("\\/");
    if (separator == std::string::npos) return std::nullopt;
    // "C:\brasklin.dll" gives "C:", to which the loader adds "\Brasklin".
    return binary.substr(0, separator);
  }

  std::optional<std::string> pluginsPath() override
  {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVstKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;

    // One byte more than offered, so the text is terminated even when the
    // stored value carries no terminating zero of its own.
    char buffer[kPathBufferSize + 1] = {};
    DWORD size = kPathBufferSize;
    const LONG status =
        RegQueryValueExA(key, kPluginsPathValue, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    // A value longer than the buffer (ERROR_MORE_DATA) cannot name a usable folder.
    if (status != ERROR_SUCCESS) return std::nullopt;
    buffer[size < kPathBufferSize ? size : kPathBufferSize] = '\0';
    return std::string(buffer, std::strlen(buffer));
  }

  bool folderIsMissing(const std::string& path) override
  {
    // Opening a folder as a file fails with access-denied when it exists;
    // a missing parent fails with path-not-found. Only file-not-found means
    // the folder itself is missing: every other outcome counts as present.
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
      return false;
    }
    return GetLastError() == ERROR_FILE_NOT_FOUND;
  }

  void showMessage(const char* text, const char* caption, MessageButtons buttons) override
  {
    // No owner window: the box blocks construction until the user closes it.
    MessageBoxA(nullptr, text, caption, buttons == MessageButtons::okCancel ? MB_OKCANCEL : MB_OK);
  }

  char pathSeparator() const override { return '\\'; }

  const char* fallbackFolder() const override { return "c:\\Brasklin"; }
};

}  // namespace

PlatformServices& systemPlatformServices()
{
  static Win32PlatformServices services;
  return services;
}
