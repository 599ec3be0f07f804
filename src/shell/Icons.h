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

// The 16 x 16 row images of the Device and Imports lists, by a row's image index: 0 the
// project, 1 the active site, 2 an ordinary row, 3 and 4 analog and digital points; a plain
// marker for any other index and a null pixmap for a negative one.
[[nodiscard]] QPixmap rowImage(int index);

// The toolbar and menu picture of a command, drawn for 16 to 48 pixels; a null icon for a
// command without one.
[[nodiscard]] QIcon commandIcon(Command command);

// The application's picture (the window icon), drawn at the given size.
[[nodiscard]] QPixmap appPicture(int size);
// The start dialog's banner: the application's picture and name on a dark gradient.
[[nodiscard]] QPixmap bannerPicture(QSize size);

} // namespace quillan::shell
