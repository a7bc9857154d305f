#include "tests/fuzz/FuzzTempFile.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace fuzzing {
namespace {

struct TempFile {
  std::string path;
  TempFile()
  {
    // /dev/shm keeps the many rewrites off the disk where it exists.
    const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(folder) + "/brasklin-fuzz-XXXXXX";
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) fail("cannot create the scratch file");
    close(descriptor);
    path = pattern;
  }
  ~TempFile() { std::remove(path.c_str()); }
};

TempFile& scratch()
{
  static TempFile file;
  return file;
}

}  // namespace

const std::string& FuzzTempFile::path() { return scratch().path; }

void FuzzTempFile::write(const std::uint8_t* data, std::size_t size)
{
  std::FILE* file = std::fopen(path().c_str(), "wb");
  if (file == nullptr) fail("cannot open the scratch file");
  if (size > 0 && std::fwrite(data, 1, size, file) != size) fail("cannot write the scratch file");
  std::fclose(file);
}

void fail(const char* what)
{
  std::fprintf(stderr, "fuzz property violated: %s\n", what);
  std::abort();
}

}  // namespace fuzzing
