// fontconfig keeps its configuration and font caches for the life of the
// process and frees none of it at exit, and Cairo's X11 path keeps 32 bytes per
// process the first time it copies to a window (a five-line program with no
// toolkit code shows the same). Neither is ours to fix, so the leak checker of
// sanitizer builds is told to ignore allocations made inside fontconfig and
// inside the X11 layer's copy to the screen (which itself allocates nothing).
// The sanitizer runtime finds this function by name, so it must be exported
// even though the build hides symbols by default.
extern "C" __attribute__((visibility("default"))) const char*
__lsan_default_suppressions();  // NOLINT(bugprone-reserved-identifier)

extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions()
{  // NOLINT(bugprone-reserved-identifier)
  return "leak:libfontconfig.so\nleak:copyToScreen\n";
}

// Cairo is built without frame pointers, so the quick stack walk stops inside
// it and would never reach copyToScreen; the slow walk does.
extern "C" __attribute__((visibility("default"))) const char*
__asan_default_options();  // NOLINT(bugprone-reserved-identifier)

extern "C" __attribute__((visibility("default"))) const char* __asan_default_options()
{  // NOLINT(bugprone-reserved-identifier)
  return "fast_unwind_on_malloc=0";
}
