#include "shapes/BundleServices.h"

#include <utility>

#include "shapes/PluginFolder.h"
#include "shapes/WaveShapeTable.h"

BundleServices::BundleServices(std::string bundlePath, PlatformServices& system, LoadFailureLog& log)
    : bundle(std::move(bundlePath)), system(system), log(log)
{
  const char separator = system.pathSeparator();
  while (bundle.size() > 1 && bundle.back() == separator) bundle.pop_back();
  shapeFolder = bundle + separator + std::string(kPluginFolderName);
}

void BundleServices::showMessage(const char* text, const char* /*caption*/, MessageButtons /*buttons*/)
{
  const std::string message = text != nullptr ? text : "";
  if (message == WaveShapeTable::kFolderMessage) {
    log.error("Brasklin: cannot find the wave-shape folder " + shapeFolder +
              "; the plug-in stays silent until the bundle is installed whole");
  } else {
    log.error("Brasklin: " + message + " (in " + shapeFolder + ")");
  }
}
