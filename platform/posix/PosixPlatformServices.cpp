// The loader's platform services on POSIX systems. The shapes travel with the
// plug-in, in the folder beside the loaded binary; there is no registry, so no
// host plug-in folder is known and the fixed folder is the only other place.

#include "platform/PlatformServices.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

// Any address inside this binary: dladdr names the file it was loaded from,
// which is the plug-in itself once this layer is linked into it.
void addressInsideThisBinary() {}

struct FreeDeleter {
  void operator()(char* p) const { std::free(p); }
};

class PosixPlatformServices final : public PlatformServices {
public:
  std::optional<std::string> moduleFolder() override
  {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&addressInsideThisBinary), &info) == 0 || info.dli_fname == nullptr ||
        info.dli_fname[0] == '\0')
      return std::nullopt;

    // dladdr may give the path as the loader saw it, possibly relative.
    const std::unique_ptr<char, FreeDeleter> resolved(realpath(info.dli_fname, nullptr));
    const std::string binary = resolved ? std::string(resolved.get()) : std::string(info.dli_fname);
    const std::size_t slash = binary.rfind('/');
    if (slash == std::string::npos) return std::string(".");
    if (slash == 0) return std::string("/");
    return binary.substr(0, slash);
  }

  std::optional<std::string> pluginsPath() override { return std::nullopt; }

  bool folderIsMissing(const std::string& path) override
  {
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) return false;
    // Only a path that plainly is not there counts as missing; anything
    // else (no permission, say) lets loading go on to report the list.
    return errno == ENOENT || errno == ENOTDIR;
  }

  void showMessage(const char* text, const char* /*caption*/, MessageButtons /*buttons*/) override
  {
    // No dialog here: the host's console or log gets one line per failure.
    std::fprintf(stderr, "Brasklin: %s\n", text != nullptr ? text : "");
    std::fflush(stderr);
  }

  char pathSeparator() const override { return '/'; }

  const char* fallbackFolder() const override { return "/usr/local/lib/vst/Brasklin"; }
};

}  // namespace

PlatformServices& systemPlatformServices()
{
  static PosixPlatformServices services;
  return services;
}
