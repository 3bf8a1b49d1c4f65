#pragma once
// The command line's own pictures (the detection plot, not a view of the workbench) as BMP or PCX
// files. The workbench's writers tell a failure in a message box without the system's reason, so
// they make the file in a folder of the program's own under the system's temporary folder, and the
// finished file is then copied to the asked name as every other file the command line writes is:
// a name that cannot be written is told with the system's reason, and an older file of the name is
// replaced only by a complete one.
#include <string>

#include "platform/image.h"

namespace tessaline::cli {

// Writes `image` to `path` in the format its extension (.bmp or .pcx) names; false with the reason
// when the file cannot be written (the system's, or what the writer said when the picture could not
// be made in the temporary folder).
bool saveSnapshotFile(const WindowImage& image, const std::string& path, std::string& reason);

}  // namespace tessaline::cli
