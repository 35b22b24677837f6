#pragma once
#include "platform/menu_builder.h"

// Menu 102, the main window's menu bar.
const std::vector<MenuPopupResource>& MainMenuResource();
