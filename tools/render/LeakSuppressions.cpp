// Fontconfig, which Cairo uses to find the spectrogram's font, keeps its
// configuration until the process ends and never frees it. In a build with the
// leak checker that would fail every render that draws a spectrogram, so the
// checker is told these allocations are meant to live that long. The sanitizer
// runtime finds this function by name, so it is exported although the build
// hides symbols by default; without the sanitizers nothing calls it.
extern "C" __attribute__((visibility("default"))) const char*
__lsan_default_suppressions();  // NOLINT(bugprone-reserved-identifier)

extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions()
{  // NOLINT(bugprone-reserved-identifier)
  return "leak:libfontconfig.so\n";
}
