# Writes a C++ source holding the bytes of the editor's bitmaps.
#   cmake -DOUTPUT=<file.cpp> -DBITMAP_DIR=<folder> -DIDS=128;129;... -P EmbedBitmaps.cmake
# Runs in script mode at build time, so it needs nothing but CMake and works
# the same for native and cross builds.
if(NOT OUTPUT OR NOT BITMAP_DIR OR NOT IDS)
  message(FATAL_ERROR "EmbedBitmaps.cmake needs OUTPUT, BITMAP_DIR and IDS")
endif()

# Sixteen bytes to a line keeps the generated file readable in a diff.
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 sixteen_bytes)

set(arrays "")
set(entries "")
foreach(id IN LISTS IDS)
  set(file "${BITMAP_DIR}/bmp${id}.bmp")
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "missing bitmap ${file}")
  endif()
  file(READ "${file}" hex HEX)
  string(LENGTH "${hex}" digits)
  if(digits EQUAL 0)
    message(FATAL_ERROR "empty bitmap ${file}")
  endif()
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(${sixteen_bytes})" "\\1\n    " bytes "${bytes}")
  string(APPEND arrays "const unsigned char kBitmap${id}[] = {\n    ${bytes}\n};\n\n")
  string(APPEND entries "    {${id}, kBitmap${id}, sizeof kBitmap${id}},\n")
endforeach()

list(LENGTH IDS count)
file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from resources/bitmaps; edit the BMP files, not this.
#include \"resources/EmbeddedTable.h\"

namespace {

${arrays}}  // namespace

namespace embedded_resources {

const EmbeddedBitmap kBitmaps[] = {
${entries}};

const std::size_t kBitmapCount = ${count};

}  // namespace embedded_resources
")
# Leaves the old file (and its time stamp) alone when nothing changed.
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
