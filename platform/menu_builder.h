#pragma once
#include <QString>
#include <functional>
#include <vector>

class QMenuBar;

// One drop-down menu of a menu resource; an item with command id 0 is a separator.
struct MenuItemResource {
    QString text;
    int commandId;
};
struct MenuPopupResource {
    QString text;
    std::vector<MenuItemResource> items;
};

// Fills `bar` from the resource. No item gets a keyboard shortcut of its own:
// the menus are reached with the mouse or the underlined letters.
void BuildMenuBar(QMenuBar* bar, const std::vector<MenuPopupResource>& menu,
                  const std::function<void(int)>& onCommand);
