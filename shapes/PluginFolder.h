#pragma once

// Where the plug-in's own folder lies: beside the plug-in binary, beneath the
// host's VST plug-in folder, or at the platform's fixed fallback folder.

#include <array>
#include <cstddef>
#include <string_view>

class PlatformServices;

// Paths handed to the operating system are held in buffers of this size
// (at most 259 characters and the terminating zero), as Windows' ANSI file
// calls expect.
inline constexpr std::size_t kPathBufferSize = 260;
using PathBuffer = std::array<char, kPathBufferSize>;

// The name of the plug-in's folder, beside the binary or beneath the host's plug-in folder.
inline constexpr std::string_view kPluginFolderName = "Brasklin";

// Writes the plug-in folder's path into `folder`: "Brasklin" beside the plug-in
// binary when that folder is there; otherwise the host's plug-in folder
// followed by the separator and "Brasklin", or the fallback folder when the
// host's folder is unknown or the result would not fit in the buffer. Only the
// folder beside the binary is tested here; the caller tests the others.
void findPluginFolder(PlatformServices& services, PathBuffer& folder);

// Writes `first`, `second` and `third` one after another into `out`,
// zero-terminated. Returns false, leaving `out` unchanged, when the result does
// not fit; a path cut short would name some other file.
[[nodiscard]] bool joinPath(PathBuffer& out, std::string_view first, std::string_view second,
                            std::string_view third = {});
