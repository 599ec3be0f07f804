#pragma once

#include "shell/Command.h"

#include <QIcon>
#include <QPixmap>

namespace quillan::shell {

// The tree's image strip: 40 images of 24 x 16. Image 0 is the project root, 12 a Modbus
// module and 38 a gateway; the others are drawn as plain markers.
inline constexpr int TREE_IMAGE_COUNT = 40;
inline constexpr int TREE_IMAGE_ROOT = 0;
inline constexpr int TREE_IMAGE_MODBUS_MODULE = 12;
inline constexpr int TREE_IMAGE_GATEWAY = 38;
[[nodiscard]] QPixmap treeImage(int index);

// The 16 x 16 row images of the Device and Imports lists, by a row's image index; a null
// pixmap for an index without a picture.
[[nodiscard]] QPixmap rowImage(int index);

// The toolbar and menu picture of a command; a null icon for a command without one.
[[nodiscard]] QIcon commandIcon(Command command);

} // namespace quillan::shell
