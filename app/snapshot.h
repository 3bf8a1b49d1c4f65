#pragma once
// Saving what the window shows: " Save image as..." copies the client area, asks for a file name
// and writes a Windows bitmap or a two-colour PCX file, chosen by the name's extension.
#include <string>
#include <string_view>

#include "platform/dialog.h"
#include "platform/image.h"

namespace tessaline {

class MessageSink;
class Window;

enum class SnapshotFormat { None, Bitmap, Pcx };

// The save-file question of the command: its title, the bitmap and PCX filters, default extension
// "bmp", the overwrite prompt on.
SaveFileRequest snapshotFileRequest();

// Whether the name ends in `extension` (lower case, with its dot) in any case, after at least one
// other character.
bool hasExtension(std::string_view name, std::string_view extension) noexcept;

// ".bmp" or ".pcx" as the name's last four characters, in any case, after at least one other
// character; anything else is no format.
SnapshotFormat snapshotFormatOf(std::string_view name) noexcept;

// Writes `image` to the file `name` in the format its extension names. True when it was written or
// the name names no format (then nothing is written or said); false when a writer failed, after the
// writer's message and "PCX file is not created" or "Bitmap file is not created".
bool saveSnapshot(MessageSink& messages, const WindowImage& image, const std::string& name);

// The whole command: the image is copied before the question, so the dialog never shows in it.
// Succeeds whenever it ran to its end, a cancelled question and a failed writer included (the user
// has been told); fails only when the window gives no image that can be read, before asking.
bool MakeSnapshot(Window& window);

}  // namespace tessaline
