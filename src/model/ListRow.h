#pragma once

#include <string>
#include <variant>
#include <vector>

namespace quillan {

class Site;
class Import;
class Export;
class ModbusMap;

// One row of a list view as the core produces it: the column texts (8-bit character set),
// the row's image and the object the row stands for. The GUI, the CSV export and the CLI all
// show these same texts.
struct ListRow {
    std::vector<std::string> cells;
    int image = -1;
    std::variant<std::monostate, Site*, Import*, Export*, ModbusMap*> item;
    bool selected = false;
};

using ListRows = std::vector<ListRow>;

} // namespace quillan
