#include "shapes/PluginFolder.h"

#include "platform/PlatformServices.h"

#include <cstring>

bool joinPath(PathBuffer& out, std::string_view first, std::string_view second, std::string_view third)
{
  const std::size_t length = first.size() + second.size() + third.size();
  if (length >= out.size()) return false;
  char* cursor = out.data();
  for (const std::string_view part : {first, second, third}) {
    if (!part.empty()) std::memcpy(cursor, part.data(), part.size());
    cursor += part.size();
  }
  *cursor = '\0';
  return true;
}

void findPluginFolder(PlatformServices& services, PathBuffer& folder)
{
  const char separator[] = {services.pathSeparator(), '\0'};
  // Beside the binary first: a package unpacked into whichever folder the
  // host scans keeps the two together, registered folder or not. Only a
  // folder that is there wins; otherwise the host's folder decides as before.
  if (const auto binaryFolder = services.moduleFolder()) {
    const std::string_view path(binaryFolder->c_str());
    if (!path.empty() && joinPath(folder, path, separator, kPluginFolderName) &&
        !services.folderIsMissing(folder.data()))
      return;
  }
  if (const auto hostFolder = services.pluginsPath()) {
    // A registry value may carry its own terminating zero; the path ends there.
    const std::string_view path(hostFolder->c_str());
    if (!path.empty() && joinPath(folder, path, separator, kPluginFolderName)) return;
  }
  // The fallback is a short constant; should a platform ever give one that
  // does not fit, an empty path still fails the later tests cleanly.
  if (!joinPath(folder, services.fallbackFolder(), {})) folder[0] = '\0';
}
